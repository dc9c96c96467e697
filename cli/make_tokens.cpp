// make-tokens: the members' personal links, and the token file serve --tokens reads. The file is
// written beside the share's own files by administrators who type paths: it never takes one of
// them, nor anything that is not a token file already, without a word.
#include <cstdio>
#include <cstring>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/session.h"
#include "cli/system.h"
#include "platform/files.h"
#include "store/lock.h"
#include "store/row_record.h"
#include "store/share.h"
#include "web/memory_file.h"
#include "web/sheet.h"
#include "web/tokens.h"

namespace cli {

namespace {

constexpr char MakeTokensUsage[] =
    "usage: tavelin-cli make-tokens [SOURCE] --out FILE [--url BASE [--sheet HTML]] [--force]\n"
    "       tavelin-cli make-tokens [SOURCE] --out FILE [--url BASE [--sheet HTML]] (--slot N | --member NAME)\n"
    "       tavelin-cli make-tokens [SOURCE] --out FILE [--url BASE] (--slot N | --member NAME | --kiosk) --revoke\n"
    "       tavelin-cli make-tokens [SOURCE] --out FILE [--url BASE] --kiosk\n"
    "       tavelin-cli make-tokens [SOURCE] --links --tokens FILE --url BASE [--sheet HTML]\n"
    "  Writes a new random token for every member of the name list to FILE (TOKEN<TAB>NAME lines,\n"
    "  readable by its owner only); the old tokens stop working once serve is started with it.\n"
    "  FILE is never one of the share's files, a link or anything but a regular file; an existing\n"
    "  file that is not a token file is replaced only with --force.\n"
    "  --url BASE   also print each member's personal link, BASE/m/TOKEN (BASE: http:// or https://,\n"
    "               no query or fragment)\n"
    "  --links      print the links of an existing token file again, for a new BASE; no new tokens\n"
    "  --slot N, --member NAME  only this member's token in the existing FILE: a new one (added, or\n"
    "               reissued: the old link stops working), every other line kept; a running serve\n"
    "               takes the file within 2 s\n"
    "  --kiosk      only the reception's token, for the view of everyone at once (BASE/kiosk/TOKEN)\n"
    "  --revoke     with --slot, --member or --kiosk: that token taken out\n"
    "  --sheet HTML also write a page to print for handing the links out: one slip per member with a\n"
    "               token (name, link, QR code), A4; with --slot or --member that member's slip only.\n"
    "               Readable by its owner only; an existing file that is not such a sheet is never replaced\n"
    "SOURCE: --prefs FILE, or --names FILE --board FILE; without it, this PC's preferences.\n";

// The tokens of --links, made once: too big for a stack.
web::TokenTable& tokenTable() {
  static web::TokenTable table;
  return table;
}

// "tavelin-cli make-tokens: 'PATH' what", the path escaped; returns status.
int refuse(int status, const char* path, const char* what) {
  std::fputs("tavelin-cli make-tokens: '", stderr);
  writeNativePath(stderr, path);
  std::fprintf(stderr, "' %s\n", what);
  return status;
}

// The share's own files, which a token file must never replace.
struct ShareFile {
  const char* what;
  char path[store::RecordPathSize];
};

int shareFiles(ShareFile (&out)[4]) {
  char board[settings::PathSize + 1], names[settings::PathSize + 1];
  store::sharePath(share().boardPath, board);
  store::sharePath(share().nameListPath, names);
  int count = 0;
  out[count] = {"is the share's board file", {}};
  std::snprintf(out[count++].path, sizeof out[0].path, "%s", board);
  out[count] = {"is the share's name list", {}};
  std::snprintf(out[count++].path, sizeof out[0].path, "%s", names);
  char lock[store::LockPathSize];
  if (store::lockPathFor(board, sizeof board, lock) == store::LockPath::ok) {
    out[count] = {"is the share's lock file (sem.dat)", {}};
    std::snprintf(out[count++].path, sizeof out[0].path, "%s", lock);
  }
  out[count] = {"is the board's side file", {}};
  store::rowRecordPathFor(board, out[count++].path);
  return count;
}

// The file's first 96 KiB, whole lines only; null when it cannot be read.
const char* headOf(const char* path, size_t& size) {
  static char head[96 * 1024];
  files::Handle file(files::openRead(path));
  if (!file) return nullptr;
  size = files::readBlock(head, sizeof head, file.get());
  if (files::hasError(file.get())) return nullptr;
  if (size == sizeof head)
    while (size > 0 && head[size - 1] != '\n') --size;
  return head;
}

// What a file written by make-tokens is, and so what it may replace.
enum class Kind { tokens, sheet };

bool holds(const char* path, Kind kind) {
  size_t size = 0;
  const char* head = headOf(path, size);
  if (!head) return false;
  return kind == Kind::tokens ? web::looksLikeTokenFile(head, size) : web::looksLikeSheet(head, size);
}

// ExitOk when a token file (or a sheet) may be written at path; otherwise the refusal, said.
int checkOut(const char* path, bool force, Kind kind = Kind::tokens) {
  char reason[512];
  const web::Existing there = web::lookAt(path, reason, sizeof reason);
  switch (there) {
    case web::Existing::unknown: {
      char what[600];
      std::snprintf(what, sizeof what, "cannot be looked at: %s", reason);
      return refuse(ExitFailed, path, what);
    }
    case web::Existing::link:
      return refuse(ExitUsage, path,
                    "is a symbolic link; give the file itself, or remove the link. Nothing was written.");
    case web::Existing::folder: return refuse(ExitUsage, path, "is a folder; give a file's path. Nothing was written.");
    case web::Existing::other:
      return refuse(ExitUsage, path, "is not a regular file (a device, FIFO or socket). Nothing was written.");
    case web::Existing::none:
    case web::Existing::regular: break;
  }
  ShareFile own[4];
  const int count = shareFiles(own);
  for (int i = 0; i < count; ++i) {
    if (!own[i].path[0] || !files::sameFile(path, own[i].path)) continue;
    char what[160];
    std::snprintf(what, sizeof what, "%s; the tokens go to a file of their own. Nothing was written.", own[i].what);
    return refuse(ExitUsage, path, what);
  }
  if (there == web::Existing::regular && kind == Kind::sheet && !holds(path, Kind::sheet))
    return refuse(ExitUsage, path,
                  "exists and is not a sheet of links; give the sheet a file name of its own. Nothing was written.");
  if (there == web::Existing::regular && kind == Kind::tokens && !force && !holds(path, Kind::tokens))
    return refuse(ExitUsage, path, "exists and is not a token file; --force replaces it. Nothing was written.");
  return ExitOk;
}

// The sheet's path, checked before anything is written: never the token file, nor anything but an
// earlier sheet. Empty when there is no --sheet.
int checkSheet(const Options& opts, const char* tokensPath, char (&sheet)[1024]) {
  sheet[0] = '\0';
  if (!opts.sheetPath) return ExitOk;
  if (!nativePath(opts.sheetPath, sheet, sizeof sheet))
    return usageError("make-tokens", "the --sheet path is not representable", MakeTokensUsage);
  if (std::strcmp(sheet, tokensPath) == 0 || files::sameFile(sheet, tokensPath))
    return refuse(ExitUsage, sheet, "is the token file; the sheet goes to a file of its own. Nothing was written.");
  return checkOut(sheet, false, Kind::sheet);
}

// The sheet of the token file at tokensPath (onlySlot's slip alone when >= 0), readable by its owner only.
int writeSheetFile(const char* sheet, const char* tokensPath, const char* base, int onlySlot) {
  char error[512];
  if (!web::loadTokens(tokensPath, share(), tokenTable(), error, sizeof error)) {
    char what[600];
    std::snprintf(what, sizeof what, "(the token file): %s; no sheet was written", error);
    return refuse(ExitFailed, tokensPath, what);
  }
  web::MemoryFile page;
  const int slips = web::writeSheet(page.get(), tokenTable(), share(), base, onlySlot);
  const std::string text = page.take();
  if (!web::writePrivateFile(sheet, text.data(), text.size(), error, sizeof error)) {
    char what[600];
    std::snprintf(what, sizeof what, "cannot be written: %s", error);
    return refuse(ExitFailed, sheet, what);
  }
  std::fputs("tavelin-cli make-tokens: ", stderr);
  std::fprintf(stderr, "%d slip%s written to '", slips, slips == 1 ? "" : "s");
  writeNativePath(stderr, sheet);
  std::fputs("'; print it, hand the slips out, then delete it\n", stderr);
  return ExitOk;
}

int printLinksAgain(const Options& opts, const char* base) {
  char path[1024], error[512];
  if (!nativePath(opts.tokensPath, path, sizeof path))
    return usageError("make-tokens", "the --tokens path is not representable", MakeTokensUsage);
  if (!web::loadTokens(path, share(), tokenTable(), error, sizeof error)) {
    char what[600];
    std::snprintf(what, sizeof what, "(the token file): %s", error);
    return refuse(ExitUsage, path, what);
  }
  char sheet[1024];
  const int status = checkSheet(opts, path, sheet);
  if (status != ExitOk) return status;
  web::printLinks(tokenTable(), share(), base, stdout);
  if (!outputWritten("make-tokens")) return ExitFailed;
  return sheet[0] ? writeSheetFile(sheet, path, base, -1) : ExitOk;
}

// One member's token (or the reception's) changed in place, the rest of the file kept.
int changeOne(const Options& opts, const char* path, const char* base, const char* sheet) {
  const int slot = opts.kiosk ? web::KioskSlot : pickSlot(opts, "make-tokens");
  if (slot < 0 && !opts.kiosk) return ExitUsage;
  char error[512];
  if (!web::changeToken(share(), path, slot, opts.revoke, opts.urlBase ? base : nullptr, stdout, error, sizeof error)) {
    char what[600];
    std::snprintf(what, sizeof what, "was not changed: %s", error);
    return refuse(ExitFailed, path, what);
  }
  if (!outputWritten("make-tokens")) return ExitFailed;
  if (opts.kiosk)
    std::fprintf(stderr, "tavelin-cli make-tokens: the reception's token %s\n", opts.revoke ? "revoked" : "written");
  else
    std::fprintf(stderr, "tavelin-cli make-tokens: slot %d's token %s; a running serve takes the file within 2 s\n",
                 slot, opts.revoke ? "revoked" : "written");
  return sheet[0] ? writeSheetFile(sheet, path, base, slot) : ExitOk;
}

}  // namespace

int runMakeTokens(int argc, char** argv) {
  Options opts;
  char error[512];
  if (!parseOptions(argc, argv, MakeTokensOptions, opts, error, sizeof error))
    return usageError("make-tokens", error, MakeTokensUsage);
  if (opts.help) return printHelp(MakeTokensUsage);
  if (opts.links && (!opts.tokensPath || !opts.urlBase || opts.outPath || opts.force))
    return usageError("make-tokens", "--links takes --tokens FILE and --url BASE, and no --out or --force",
                      MakeTokensUsage);
  if (!opts.links && opts.tokensPath)
    return usageError("make-tokens", "--tokens FILE goes with --links", MakeTokensUsage);
  if (!opts.links && !opts.outPath) return usageError("make-tokens", "missing --out FILE", MakeTokensUsage);
  const bool one = opts.slotText || opts.member || opts.kiosk;
  if (opts.kiosk && (opts.slotText || opts.member))
    return usageError("make-tokens", "give one of --kiosk, --slot, --member", MakeTokensUsage);
  if (one && opts.links)
    return usageError("make-tokens", "--links prints every link; it takes no --slot, --member or --kiosk",
                      MakeTokensUsage);
  if (opts.revoke && !one)
    return usageError("make-tokens", "--revoke needs --slot N, --member NAME or --kiosk", MakeTokensUsage);
  if (opts.sheetPath && !opts.urlBase)
    return usageError("make-tokens", "--sheet needs --url BASE: the slips carry the links", MakeTokensUsage);
  if (opts.sheetPath && (opts.revoke || opts.kiosk))
    return usageError("make-tokens", "--sheet holds members' slips: not with --revoke or --kiosk", MakeTokensUsage);
  char base[1024] = "";
  if (opts.urlBase && !web::checkBaseUrl(opts.urlBase, base, sizeof base, error, sizeof error))
    return usageError("make-tokens", error, MakeTokensUsage);
  int status = prepareSource("make-tokens", opts, Need::boardAndNames, MakeTokensUsage);
  if (status != ExitOk) return status;
  if (!loadNames("make-tokens")) return ExitFailed;
  if (share().memberCount == 0) return usageError("make-tokens", "the name list has no members", "");
  if (opts.links) return printLinksAgain(opts, base);

  char path[1024];
  if (!nativePath(opts.outPath, path, sizeof path))
    return usageError("make-tokens", "the --out path is not representable", MakeTokensUsage);
  status = checkOut(path, opts.force);
  if (status != ExitOk) return status;
  char sheet[1024];
  status = checkSheet(opts, path, sheet);
  if (status != ExitOk) return status;
  if (one) return changeOne(opts, path, base, sheet);
  if (!web::makeTokens(share(), path, opts.urlBase ? base : nullptr, stdout, error, sizeof error)) {
    char what[600];
    std::snprintf(what, sizeof what, "cannot be written: %s", error);
    return refuse(ExitFailed, path, what);
  }
  if (!outputWritten("make-tokens")) return ExitFailed;
  std::fprintf(stderr, "tavelin-cli make-tokens: %d tokens written\n", share().memberCount);
  return sheet[0] ? writeSheetFile(sheet, path, base, -1) : ExitOk;
}

}  // namespace cli
