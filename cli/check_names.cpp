#include <cstdio>
#include <cstring>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/name_check.h"
#include "cli/output.h"
#include "platform/files.h"
#include "store/board.h"
#include "store/names.h"
#include "text/bounded.h"

namespace cli {

namespace {

constexpr char CheckUsage[] =
    "usage: tavelin-cli check-names FILE\n"
    "  Reads a name list as the program does (its first 32,768 bytes, names ended by ';') and\n"
    "  reports the member count and every name the program would cut, drop or show oddly.\n";

void printName(int slot) {
  const char* name = store::displayNames[slot];
  std::printf("slot %d \"", slot);
  writeTerminalText(stdout, name, text::fieldLength(name, store::NameSize));
  std::fputs("\": ", stdout);
}

void printFinding(const Finding& f) {
  if (f.slot >= 0) printName(f.slot);
  switch (f.kind) {
    case FindingKind::cut:
      std::printf("%zu bytes long, cut to %zu bytes\n", f.size, text::fieldLength(store::displayNames[f.slot], 64));
      break;
    case FindingKind::afterNul: std::printf("a NUL byte inside; the %zu bytes after it are lost\n", f.size); break;
    case FindingKind::tooWide:
      std::printf("%zu half-width columns, more than the %zu the column shows\n", f.size, WideNameColumns);
      break;
    case FindingKind::empty: std::puts("empty name (an empty row on the board)"); break;
    case FindingKind::duplicate: std::printf("same name as slot %d\n", f.other); break;
    case FindingKind::trailingText:
      std::printf("%zu bytes after the last ';' are no name and are dropped\n", f.size);
      break;
    case FindingKind::pastWindow: std::printf("%zu bytes past the first 32,768 are never read\n", f.size); break;
    case FindingKind::pastLimit: std::printf("%zu names past the 300th are ignored\n", f.size); break;
  }
}

// Reads the window the program reads, and counts the rest of the file.
bool readList(const char* path, unsigned char (&window)[store::NameListWindow], size_t& count, size_t& fileSize) {
  files::Handle file(files::openRead(path));
  if (!file) return false;
  std::memset(window, 0, sizeof window);
  count = files::readBlock(window, sizeof window, file.get());
  fileSize = count;
  unsigned char rest[4096];
  size_t n;
  while ((n = files::readBlock(rest, sizeof rest, file.get())) > 0) fileSize += n;
  return !files::hasError(file.get());
}

}  // namespace

int runCheckNames(int argc, char** argv) {
  Options opts;
  char error[512];
  if (!parseOptions(argc, argv, AllowOperand, opts, error, sizeof error))
    return usageError("check-names", error, CheckUsage);
  if (opts.help) return printHelp(CheckUsage);

  char path[1024];
  static unsigned char window[store::NameListWindow];
  size_t count = 0, fileSize = 0;
  if (!nativePath(opts.operand, path, sizeof path) || !readList(path, window, count, fileSize)) {
    std::snprintf(error, sizeof error, "cannot read '%s'", opts.operand);
    return usageError("check-names", error, "");
  }
  static NameReport report;
  checkNameList(window, count, fileSize, report);
  std::printf("members: %d\n", report.members);
  for (int i = 0; i < report.count; ++i) printFinding(report.findings[i]);
  if (report.dropped) std::printf("... and %d findings more\n", report.dropped);
  if (report.count == 0) std::puts("no findings");
  return ExitOk;
}

}  // namespace cli
