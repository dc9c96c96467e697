#include <cstdio>
#include <cstring>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/name_findings.h"
#include "cli/older_lock_warning.h"
#include "cli/system.h"
#include "platform/files.h"
#include "store/board.h"
#include "store/names.h"

namespace cli {

namespace {

constexpr char CheckUsage[] =
    "usage: tavelin-cli check-names FILE [--board BOARD]\n"
    "  Reads a name list as the program does: Shift-JIS (CP932), names ended by ';', its first\n"
    "  32,768 bytes (a UTF-8 list of one name per line is what init-share --names takes), and\n"
    "  reports the member count and every name the program would cut, drop or show oddly: a list\n"
    "  saved as UTF-8, UTF-16 or with a BOM, codes that are no CP932 character, control bytes,\n"
    "  duplicates. With --board, also warns when the board's name makes older PCs lock another\n"
    u8"  file than sem.dat (a character whose second byte is 0x5C, as in 予定表.lst).\n"
    "  Exit status 1 when there is any finding (notes aside), 0 when the list is clean.\n";

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
  if (!parseOptions(argc, argv, CheckNamesOptions, opts, error, sizeof error))
    return usageError("check-names", error, CheckUsage);
  if (opts.help) return printHelp(CheckUsage);

  char path[1024];
  static unsigned char window[store::NameListWindow];
  size_t count = 0, fileSize = 0;
  if (!nativePath(opts.operand, path, sizeof path) || !readList(path, window, count, fileSize)) {
    std::snprintf(error, sizeof error, "cannot read '%s'", opts.operand);
    return usageError("check-names", error, "");
  }
  char board[1024];
  if (opts.boardPath) {
    if (!nativePath(opts.boardPath, board, sizeof board))
      return usageError("check-names", "--board: not a path this system can open", CheckUsage);
    warnOlderLockName("check-names", board);
  }
  static NameReport report;
  checkNameList(window, count, fileSize, report);
  std::printf("members: %d\n", report.members);
  printReport(stdout, report);
  if (report.errors == 0) std::puts("no findings");
  return report.errors == 0 ? ExitOk : ExitFailed;
}

}  // namespace cli
