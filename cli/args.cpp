#include "cli/args.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/commands.h"
#include "cli/output.h"
#include "cli/session.h"
#include "cli/share_guard.h"
#include "cli/system.h"
#include "platform/files.h"
#include "report/report.h"
#include "settings/preferences.h"
#include "store/access.h"
#include "store/names.h"
#include "text/bounded.h"

namespace cli {

namespace {

// Always false, so a check can end with "return fail(...)".
bool fail(char* error, size_t errorSize, const char* what, const char* arg) {
  std::snprintf(error, errorSize, "%s '%s'", what, arg);
  return false;
}

bool is(const char* arg, const char* name) { return std::strcmp(arg, name) == 0; }

// "--word" or -h: what a forgotten value leaves in its place. "--" and "--:--" stay texts.
bool looksLikeOption(const char* arg) {
  return is(arg, "-h") || (arg[0] == '-' && arg[1] == '-' && std::isalpha(static_cast<unsigned char>(arg[2])));
}

// The value after the option at argv[i], or null when there is none.
const char* valueAfter(int argc, char** argv, int i) {
  return i + 1 < argc && !looksLikeOption(argv[i + 1]) ? argv[i + 1] : nullptr;
}

// A slot number: decimal digits only, no sign, no trailing text.
bool parseSlot(const char* text, long& out) {
  if (!text[0]) return false;
  for (const char* p = text; *p; ++p)
    if (*p < '0' || *p > '9') return false;
  errno = 0;
  long v = std::strtol(text, nullptr, 10);
  if (errno != 0 || v > 100000) return false;
  out = v;
  return true;
}

// Every option in one table: its name, the commands that take it (any of the Allow bits), and the
// field it fills (a value, or a flag). Adding an option is a row here and a field in Options.
struct OptionRow {
  const char* name;
  unsigned allow;
  const char* Options::*value;
  bool Options::*flag;
};

constexpr OptionRow OptionRows[] = {
    {"--prefs", AllowSource, &Options::prefsPath, nullptr},
    {"--board", AllowSource | AllowBoardOnly, &Options::boardPath, nullptr},
    {"--names", AllowSource | AllowNamesOnly, &Options::namesPath, nullptr},
    {"--slot", AllowRowPick, &Options::slotText, nullptr},
    {"--member", AllowRowPick, &Options::member, nullptr},
    {"--morning", AllowTexts, &Options::morning, nullptr},
    {"--afternoon", AllowTexts, &Options::afternoon, nullptr},
    {"--return", AllowTexts, &Options::returnTime, nullptr},
    {"--state", AllowTexts, &Options::state, nullptr},
    {"--clear", AllowTexts, nullptr, &Options::clear},
    {"--touch", AllowTexts, nullptr, &Options::touch},
    {"--json", AllowJson, nullptr, &Options::json},
    {"--csv", AllowCsv, nullptr, &Options::csv},
    {"--force", AllowForce, nullptr, &Options::force},
    {"--no-lock", AllowNoLock, nullptr, &Options::noLock},
    {"--listen", AllowServe, &Options::listen, nullptr},
    {"--tokens", AllowServe | AllowTokensOut, &Options::tokensPath, nullptr},
    {"--edit-any", AllowServe, nullptr, &Options::editAny},
    {"--out", AllowTokensOut, &Options::outPath, nullptr},
    {"--sheet", AllowTokensOut, &Options::sheetPath, nullptr},
    {"--url", AllowTokensOut | AllowServe, &Options::urlBase, nullptr},
    {"--links", AllowTokensOut, nullptr, &Options::links},
    {"--revoke", AllowTokensOut, nullptr, &Options::revoke},
    {"--kiosk", AllowTokensOut, nullptr, &Options::kiosk},
};

const OptionRow* optionRowOf(const char* arg, unsigned allow) {
  for (const OptionRow& row : OptionRows)
    if ((row.allow & allow) && is(arg, row.name)) return &row;
  return nullptr;
}

}  // namespace

bool parseOptions(int argc, char** argv, unsigned allow, Options& out, char* error, size_t errorSize) {
  out = Options{};
  error[0] = '\0';
  bool optionsEnded = false;  // after "--" every word is an operand, whatever it starts with
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!optionsEnded && is(arg, "--")) {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && (is(arg, "--help") || is(arg, "-h"))) {
      out.help = true;
      return true;
    }
    // --name=value gives any value, one that starts with "--" too.
    char name[32];
    const char* equals = !optionsEnded && arg[0] == '-' && arg[1] == '-' ? std::strchr(arg, '=') : nullptr;
    if (equals && static_cast<size_t>(equals - arg) < sizeof name) {
      std::memcpy(name, arg, static_cast<size_t>(equals - arg));
      name[equals - arg] = '\0';
    }
    const OptionRow* option =
        optionsEnded ? nullptr
                     : optionRowOf(equals && static_cast<size_t>(equals - arg) < sizeof name ? name : arg, allow);
    if (option) {
      if (option->flag) {
        if (equals) return fail(error, errorSize, "takes no value:", name);
        out.*option->flag = true;
        continue;
      }
      const char* value = equals ? equals + 1 : valueAfter(argc, argv, i);
      if (!value) return fail(error, errorSize, "missing value after", arg);
      if (out.*option->value) return fail(error, errorSize, "given twice:", equals ? name : arg);
      out.*option->value = value;
      if (!equals) ++i;
    } else if ((allow & AllowOperand) && (optionsEnded || arg[0] != '-') && !out.operand) {
      out.operand = arg;
    } else {
      return fail(error, errorSize, "unexpected argument", arg);
    }
  }
  if (out.slotText && !parseSlot(out.slotText, out.slot))
    return fail(error, errorSize, "not a slot number:", out.slotText);
  if ((allow & AllowOperand) && !out.operand)
    return fail(error, errorSize, "missing", (allow & AllowNamesOnly) ? "DIR" : "FILE");
  if (allow & AllowRowPick) {
    if (out.slotText && out.member) return fail(error, errorSize, "give one of", "--slot, --member");
    // make-tokens picks a member only to change that one token.
    if (!out.slotText && !out.member && !(allow & AllowTokensOut))
      return fail(error, errorSize, "missing", "--slot N or --member NAME");
  }
  if (out.json && out.csv) return fail(error, errorSize, "give one of", "--json, --csv");
  if (out.clear && out.touch) return fail(error, errorSize, "give one of", "--clear, --touch");
  if (out.clear && (out.morning || out.afternoon || out.returnTime || out.state))
    return fail(error, errorSize, "--clear takes no texts:", "--morning/--afternoon/--return/--state");
  return true;
}

bool checkSource(const Options& opts, Need need, SourceKind& kind, char* error, size_t errorSize) {
  if (opts.prefsPath) {
    if (opts.namesPath || opts.boardPath) return fail(error, errorSize, "give either --prefs or", "--names/--board");
    kind = SourceKind::prefsFile;
    return true;
  }
  if (!opts.namesPath && !opts.boardPath) {
    kind = SourceKind::defaults;
    return true;
  }
  if (!opts.boardPath) return fail(error, errorSize, "--names needs", "--board FILE");
  if (!opts.namesPath && need == Need::boardAndNames) return fail(error, errorSize, "--board needs", "--names FILE");
  kind = SourceKind::paths;
  return true;
}

namespace {

bool setPath(char (&field)[settings::PathSize], const char* arg, char* error, size_t errorSize) {
  char path[settings::PathSize];
  if (!nativePath(arg, path, sizeof path))
    return fail(error, errorSize, "path too long (at most 255 bytes) or not representable:", arg);
  text::storeText(field, sizeof field, path);
  return true;
}

bool loadPrefsFile(const char* arg, char* error, size_t errorSize) {
  char path[1024];
  if (!nativePath(arg, path, sizeof path)) return fail(error, errorSize, "path not representable:", arg);
  errno = 0;
  files::Handle file(files::openRead(path));
  if (!file) {
    std::snprintf(error, errorSize, "cannot open the preferences file '%s': %s", arg, openFailureReason(path, errno));
    return false;
  }
  settings::Preferences record{};
  files::readBlock(&record, sizeof record, file.get());
  if (text::fieldLength(record.magic) >= sizeof record.magic || std::strcmp(record.magic, settings::PrefsMagic) != 0)
    return fail(error, errorSize, "not a preferences file of this program:", arg);
  local().prefs = record;
  return true;
}

bool readSource(const Options& opts, SourceKind kind, char* error, size_t errorSize) {
  settings::Preferences& prefs = local().prefs;
  switch (kind) {
    case SourceKind::prefsFile: return loadPrefsFile(opts.prefsPath, error, errorSize);
    case SourceKind::paths:
      if (opts.namesPath && !setPath(prefs.nameListPath, opts.namesPath, error, errorSize)) return false;
      if (!opts.namesPath) prefs.nameListPath[0] = '\0';
      return setPath(prefs.boardPath, opts.boardPath, error, errorSize);
    case SourceKind::defaults:
      settings::initLocalPaths(local());
      settings::loadPreferences(local());
      if (local().needsSetup)
        return fail(
            error, errorSize, "no preferences file here or in",
            local().prefsPaths[settings::placeUser][0] ? local().prefsPaths[settings::placeUser] : "the user's folder");
      return true;
  }
  return false;
}

}  // namespace

bool applySource(const Options& opts, SourceKind kind, char* error, size_t errorSize) {
  if (!readSource(opts, kind, error, errorSize)) return false;
  store::usePaths(share(), local().prefs.nameListPath, local().prefs.boardPath);
  return true;
}

namespace {

// Always false: "what 'path'", the path shown as the terminal would get it.
bool failPath(char* error, size_t errorSize, const char* what, const char* path) {
  char shown[settings::PathSize * 3 + 1];
  nativeToUtf8(path, shown, sizeof shown);
  return fail(error, errorSize, what, shown);
}

}  // namespace

bool checkPaths(char* error, size_t errorSize) {
  char names[settings::PathSize + 1], board[settings::PathSize + 1];
  store::sharePath(share().nameListPath, names);
  store::sharePath(share().boardPath, board);
  // Only a regular file is read as either: a FIFO or a device would never end, or never stop giving.
  const files::Kind namesKind = names[0] ? files::kindOf(names) : files::Kind::none;
  const files::Kind boardKind = board[0] ? files::kindOf(board) : files::Kind::none;
  if (namesKind == files::Kind::folder) return failPath(error, errorSize, "a folder, not a name list:", names);
  if (boardKind == files::Kind::folder) return failPath(error, errorSize, "a folder, not a board file:", board);
  if (namesKind == files::Kind::other)
    return failPath(error, errorSize, "not a regular file (a FIFO, a device or a socket), not a name list:", names);
  if (boardKind == files::Kind::other)
    return failPath(error, errorSize, "not a regular file (a FIFO, a device or a socket), not a board file:", board);
  if (names[0] && board[0] && files::sameFile(names, board))
    return failPath(error, errorSize, "the name list and the board are the same file:", names);
  return true;
}

int prepareSource(const char* command, const Options& opts, Need need, const char* usage) {
  char error[1024];
  SourceKind kind;
  if (!checkSource(opts, need, kind, error, sizeof error) || !applySource(opts, kind, error, sizeof error) ||
      !checkPaths(error, sizeof error))
    return usageError(command, error, usage);
  warnLockElsewhereForOlderPcs(command);
  return ExitOk;
}

bool loadNames(const char* command) {
  if (store::loadNameList(share())) return true;
  char path[settings::PathSize + 1];
  store::sharePath(share().nameListPath, path);
  // Asked again for the system's reason; a certain failure was tried once only.
  errno = 0;
  files::Handle again(files::openRead(path));
  const int error = errno;
  const bool certain = !again && files::failsForGood(path);
  std::fprintf(stderr, "tavelin-cli %s: cannot open the name list '", command);
  writeNativePath(stderr, path);
  std::fprintf(stderr, "': %s", again ? "it did not open in time" : openFailureReason(path, error));
  if (!certain) std::fprintf(stderr, " (tried %d times)", store::Attempts);
  std::fputc('\n', stderr);
  return false;
}

int printHelp(const char* usage) {
  std::fputs(usage, stdout);
  return ExitOk;
}

int usageError(const char* command, const char* reason, const char* usage) {
  std::fprintf(stderr, "tavelin-cli %s: ", command);
  writeTypedText(stderr, reason);
  // One line per failure, as git and curl answer: the usage is one --help away.
  if (usage[0]) std::fprintf(stderr, " (see 'tavelin-cli %s --help')", command);
  std::fputc('\n', stderr);
  return ExitUsage;
}

}  // namespace cli
