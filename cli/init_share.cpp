#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/name_findings.h"
#include "cli/new_name_list.h"
#include "cli/output.h"
#include "cli/share_guard.h"
#include "cli/system.h"
#include "platform/files.h"
#include "store/names.h"
#include "text/bounded.h"

namespace cli {

namespace {

constexpr char InitUsage[] =
    "usage: tavelin-cli init-share DIR [--names FILE]\n"
    "  Creates an empty board file (tv_cont.lst) and a name list (tv_name.lst) in DIR, which must\n"
    "  exist. FILE is UTF-8 text (not UTF-16, not Shift-JIS) with one name per line; the list is\n"
    "  written in the program's Shift-JIS (CP932). Without FILE a short sample list is written.\n"
    "  A list that check-names would find fault with (duplicates included) is refused.\n"
    "  Existing files are never overwritten.\n";

constexpr char BoardFile[] = "tv_cont.lst";
constexpr char NamesFile[] = "tv_name.lst";
constexpr char SampleNames[] = "山田 太郎(101);\r\n佐藤 花子(102);\r\n鈴木 一郎(103);\r\n";
constexpr size_t MaxNamesInput = 65536;

// Says which encoding --names takes: check-names is the one that reads the program's own format.
constexpr char TakesUtf8[] =
    "--names takes UTF-8 text, one name per line (a list already in the program's Shift-JIS format is "
    "for check-names)";

// Why the names of the file arg were refused.
void namesError(const char* arg, const NamesResult& r, char* reason, size_t size) {
  const char* what = "";
  switch (r.error) {
    case NamesError::none: break;
    case NamesError::utf16: std::snprintf(reason, size, "%s is UTF-16; %s: save it as UTF-8", arg, TakesUtf8); return;
    case NamesError::notUtf8:
      std::snprintf(reason, size, "%s, line %d: not UTF-8 (%s); %s", arg, r.line, r.refused, TakesUtf8);
      return;
    case NamesError::notCp932:
      std::snprintf(reason, size, "%s, line %d has %s, which CP932 cannot hold", arg, r.line, r.refused);
      return;
    case NamesError::separator: what = "a ';', TAB, CR or NUL, which would split or vanish from the name"; break;
    case NamesError::tooLong: what = "a line of more than 1,023 bytes"; break;
    case NamesError::tooBig: what = "the list would pass the 32,768 bytes the program reads"; break;
  }
  std::snprintf(reason, size, "%s, line %d: %s", arg, r.line, what);
}

bool joinPath(char (&out)[1024], const char* dir, const char* name) {
  return text::joinPath(out, sizeof out, dir, std::strlen(dir), name);
}

// "tavelin-cli init-share: 'PATH' what", the path escaped.
void sayPath(const char* path, const char* what) {
  std::fputs("tavelin-cli init-share: '", stderr);
  writeNativePath(stderr, path);
  std::fprintf(stderr, "' %s\n", what);
}

// The name list's bytes from the --names file; ExitOk, or the status after reporting the reason.
int namesFromFile(const char* arg, char* list, size_t listSize, size_t& size) {
  char path[1024];
  static char input[MaxNamesInput + 1];
  char reason[512];
  if (!nativePath(arg, path, sizeof path))
    return usageError("init-share", "the --names path is too long or not representable", "");
  errno = 0;
  files::Handle file(files::openRead(path));
  size_t n = file ? files::readBlock(input, sizeof input, file.get()) : 0;
  if (!file || files::hasError(file.get())) {
    const int error = errno ? errno : EIO;
    std::snprintf(reason, sizeof reason, "(--names) cannot be read: %s", openFailureReason(path, error));
    sayPath(path, reason);
    return ExitFailed;
  }
  if (n > MaxNamesInput) {
    std::snprintf(reason, sizeof reason, "(--names) is larger than %zu bytes; a name list is far smaller",
                  MaxNamesInput);
    sayPath(path, reason);
    return ExitUsage;
  }
  NamesResult r = buildNameList(input, n, list, listSize);
  if (r.error != NamesError::none) {
    namesError(arg, r, reason, sizeof reason);
    return usageError("init-share", reason, "");
  }
  // What check-names would report is refused here, so a new share starts clean.
  static NameReport report;
  checkNameList(reinterpret_cast<const unsigned char*>(list), r.size, r.size, report);
  if (report.errors > 0) {
    std::snprintf(reason, sizeof reason, "%s: the name list would have these faults; nothing was created:", arg);
    usageError("init-share", reason, "");
    printReport(stderr, report);
    return ExitUsage;
  }
  if (report.count > 0) printReport(stdout, report);  // notes only
  size = r.size;
  return ExitOk;
}

// Creates path exclusively with the bytes, and checks that they all arrived: a file cut short
// by a full disk is removed again. ExitOk, or ExitFailed after naming the path and the reason.
int create(const char* path, const char* data, size_t size) {
  errno = 0;
  const files::Created made = files::createExclusive(path, data, size);
  const int error = errno;
  files::Stamp written;
  if (made == files::Created::created && files::stamp(path, written) && written.size == static_cast<long long>(size))
    return ExitOk;
  if (made == files::Created::created) files::removeFile(path);
  char reason[512];
  std::snprintf(reason, sizeof reason, "cannot be created: %s",
                made == files::Created::exists    ? "it is already there"
                : made == files::Created::created ? "not all of it was written (a full disk?)"
                                                  : openFailureReason(path, error ? error : EIO));
  sayPath(path, reason);
  return ExitFailed;
}

}  // namespace

int runInitShare(int argc, char** argv) {
  Options opts;
  char error[512];
  if (!parseOptions(argc, argv, InitShareOptions, opts, error, sizeof error))
    return usageError("init-share", error, InitUsage);
  if (opts.help) return printHelp(InitUsage);

  static char list[store::NameListWindow];
  size_t listSize = sizeof SampleNames - 1;
  if (opts.namesPath) {
    const int status = namesFromFile(opts.namesPath, list, sizeof list, listSize);
    if (status != ExitOk) return status;
  } else {
    std::memcpy(list, SampleNames, listSize);
  }

  char dir[1024], boardPath[1024], namesPath[1024], shownBoard[1024], shownNames[1024];
  if (!nativePath(opts.operand, dir, sizeof dir) || !joinPath(boardPath, dir, BoardFile) ||
      !joinPath(namesPath, dir, NamesFile) || !joinPath(shownBoard, opts.operand, BoardFile) ||
      !joinPath(shownNames, opts.operand, NamesFile))
    return usageError("init-share", "the directory's path is too long or not representable", "");
  switch (files::kindOf(dir)) {
    case files::Kind::folder: break;
    case files::Kind::regular:
      sayPath(dir, "is a regular file, not a directory; nothing was created");
      return ExitUsage;
    case files::Kind::other:
      sayPath(dir, "is not a directory (a FIFO or a device); nothing was created");
      return ExitUsage;
    case files::Kind::none: {
      errno = 0;
      files::Handle probe(files::openRead(dir));
      char reason[512];
      std::snprintf(reason, sizeof reason, "cannot be used: %s; it must be an existing directory",
                    openFailureReason(dir, errno ? errno : ENOENT));
      sayPath(dir, reason);
      return ExitFailed;
    }
  }
  if (files::kindOf(boardPath) != files::Kind::none || files::kindOf(namesPath) != files::Kind::none)
    return usageError("init-share", "tv_cont.lst or tv_name.lst is already there; nothing was changed", "");

  // Exclusive creation: a file that appeared meanwhile is still never overwritten.
  if (create(namesPath, list, listSize) != ExitOk) return ExitFailed;
  if (create(boardPath, "", 0) != ExitOk) {
    files::removeFile(namesPath);
    return ExitFailed;
  }
  std::printf("Name list:  %s\nBoard file: %s\n", shownNames, shownBoard);
  std::puts("Enter these two paths in the settings of every PC (as the share's UNC path on Windows).");
  return outputWritten("init-share") ? ExitOk : ExitFailed;
}

}  // namespace cli
