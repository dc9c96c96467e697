#include <cstdio>
#include <cstring>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/name_findings.h"
#include "cli/new_name_list.h"
#include "platform/files.h"
#include "store/names.h"
#include "text/bounded.h"

namespace cli {

namespace {

constexpr char InitUsage[] =
    "usage: tavelin-cli init-share DIR [--names FILE]\n"
    "  Creates an empty board file (tv_cont.lst) and a name list (tv_name.lst) in DIR, which must\n"
    "  exist. FILE is UTF-8 text with one name per line; without it a short sample list is written.\n"
    "  A list that check-names would find fault with (duplicates included) is refused.\n"
    "  Existing files are never overwritten.\n";

constexpr char BoardFile[] = "tv_cont.lst";
constexpr char NamesFile[] = "tv_name.lst";
constexpr char SampleNames[] = "山田 太郎(101);\r\n佐藤 花子(102);\r\n鈴木 一郎(103);\r\n";
constexpr size_t MaxNamesInput = 65536;

const char* namesError(NamesError e) {
  switch (e) {
    case NamesError::none: return "";
    case NamesError::notCp932: return "a character that CP932 cannot hold, or text that is not UTF-8";
    case NamesError::separator: return "a ';', TAB, CR or NUL, which would split or vanish from the name";
    case NamesError::tooLong: return "a line of more than 1,023 bytes";
    case NamesError::tooBig: return "the list would pass the 32,768 bytes the program reads";
  }
  return "";
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
    std::snprintf(reason, sizeof reason, "%s, line %d: %s", arg, r.line, namesError(r.error));
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
