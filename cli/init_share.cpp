#include <cstdio>
#include <cstring>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/name_findings.h"
#include "cli/new_name_list.h"
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

// The name list's bytes from the --names file; false after reporting the reason.
bool namesFromFile(const char* arg, char* list, size_t listSize, size_t& size) {
  char path[1024];
  static char input[MaxNamesInput + 1];
  char reason[512];
  size_t n = 0;
  if (nativePath(arg, path, sizeof path)) {
    files::Handle file(files::openRead(path));
    if (file) n = files::readBlock(input, sizeof input, file.get());
    if (!file || files::hasError(file.get())) n = static_cast<size_t>(-1);
  } else {
    n = static_cast<size_t>(-1);
  }
  if (n == static_cast<size_t>(-1) || n > MaxNamesInput) {
    std::snprintf(reason, sizeof reason, "cannot read '%s', or it is larger than %zu bytes", arg, MaxNamesInput);
    usageError("init-share", reason, "");
    return false;
  }
  NamesResult r = buildNameList(input, n, list, listSize);
  if (r.error != NamesError::none) {
    namesError(arg, r, reason, sizeof reason);
    usageError("init-share", reason, "");
    return false;
  }
  // What check-names would report is refused here, so a new share starts clean.
  static NameReport report;
  checkNameList(reinterpret_cast<const unsigned char*>(list), r.size, r.size, report);
  if (report.errors > 0) {
    std::snprintf(reason, sizeof reason, "%s: the name list would have these faults; nothing was created:", arg);
    usageError("init-share", reason, "");
    printReport(stderr, report);
    return false;
  }
  if (report.count > 0) printReport(stdout, report);  // notes only
  size = r.size;
  return true;
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
    if (!namesFromFile(opts.namesPath, list, sizeof list, listSize)) return ExitUsage;
  } else {
    std::memcpy(list, SampleNames, listSize);
  }

  char dir[1024], boardPath[1024], namesPath[1024], shownBoard[1024], shownNames[1024];
  if (!nativePath(opts.operand, dir, sizeof dir) || !joinPath(boardPath, dir, BoardFile) ||
      !joinPath(namesPath, dir, NamesFile) || !joinPath(shownBoard, opts.operand, BoardFile) ||
      !joinPath(shownNames, opts.operand, NamesFile))
    return usageError("init-share", "the directory's path is too long or not representable", "");
  if (files::opens(boardPath) || files::opens(namesPath))
    return usageError("init-share", "tv_cont.lst or tv_name.lst is already there; nothing was changed", "");

  // Exclusive creation: a file that appeared meanwhile is still never overwritten.
  if (files::createExclusive(namesPath, list, listSize) != files::Created::created)
    return usageError("init-share", "cannot create the name list (does the directory exist?)", "");
  if (files::createExclusive(boardPath, "", 0) != files::Created::created) {
    files::removeFile(namesPath);
    return usageError("init-share", "cannot create the board file", "");
  }
  std::printf("Name list:  %s\nBoard file: %s\n", shownNames, shownBoard);
  std::puts("Enter these two paths in the settings of every PC (as the share's UNC path on Windows).");
  return ExitOk;
}

}  // namespace cli
