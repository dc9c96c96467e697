#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/name_findings.h"
#include "cli/older_lock_warning.h"
#include "cli/output.h"
#include "cli/share_guard.h"
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

// Reads the window the program reads; the file's size comes from its metadata, so nothing past the
// window is read. 0, or the errno of the failure.
int readList(const char* path, unsigned char (&window)[store::NameListWindow], size_t& count, size_t& fileSize) {
  errno = 0;
  files::Handle file(files::openRead(path));
  if (!file) return errno ? errno : EIO;
  std::memset(window, 0, sizeof window);
  count = files::readBlock(window, sizeof window, file.get());
  if (files::hasError(file.get())) return errno ? errno : EIO;
  files::Stamp stamp;
  fileSize =
      files::stamp(path, stamp) && stamp.size > static_cast<long long>(count) ? static_cast<size_t>(stamp.size) : count;
  return 0;
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
  if (!nativePath(opts.operand, path, sizeof path))
    return usageError("check-names", "the path is too long or not representable", CheckUsage);
  if (const int failure = readList(path, window, count, fileSize)) {
    // Exit 1 means findings: a list that cannot be read is 2, as grep and diff tell trouble.
    std::fputs("tavelin-cli check-names: cannot read '", stderr);
    writeNativePath(stderr, path);
    std::fprintf(stderr, "': %s\n", openFailureReason(path, failure));
    return ExitUsage;
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
  if (!outputWritten("check-names")) return ExitFailed;
  return report.errors == 0 ? ExitOk : ExitFailed;
}

}  // namespace cli
