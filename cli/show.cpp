#include <unistd.h>

#include <cstdio>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/lock_info.h"
#include "cli/older_lock_warning.h"
#include "cli/output.h"
#include "cli/session.h"
#include "cli/share_guard.h"
#include "platform/system.h"
#include "report/report.h"
#include "store/access.h"
#include "store/board.h"
#include "store/lock.h"
#include "store/names.h"

namespace cli {

namespace {

constexpr char ShowUsage[] =
    "usage: tavelin-cli show [SOURCE] [--json | --csv]\n"
    "  Reads the board under the lock and prints one row per member of the name list, as a table,\n"
    "  a JSON array or CSV with a header row (UTF-8). JSON and CSV add two flags per row: overdue\n"
    "  (out and returning, written today, its return time past) and stale (written before today).\n"
    "  With --board FILE alone, prints every slot that has any text.\n"
    "SOURCE: --prefs FILE, or --names FILE --board FILE; without it, this PC's preferences.\n";

}  // namespace

int runShow(int argc, char** argv) {
  Options opts;
  char error[512];
  if (!parseOptions(argc, argv, ShowOptions, opts, error, sizeof error)) return usageError("show", error, ShowUsage);
  if (opts.help) return printHelp(ShowUsage);

  const bool boardOnly = opts.boardPath && !opts.namesPath;
  int status = prepareSource("show", opts, boardOnly ? Need::board : Need::boardAndNames, ShowUsage);
  if (status != ExitOk) return status;
  char board[store::SharePathSize + 1];
  store::sharePath(share().boardPath, board);
  warnOlderLockName("show", board);

  report::Rows rows{&share().board, share().displayNames, 0, false, {}};
  if (boardOnly) {
    // Without a name list every slot is a candidate; the board's own name block labels them.
    store::clearBoard(share());
    share().memberCount = store::MaxMembers;
    rows = report::Rows{&share().board, nullptr, store::MaxMembers, true, {}};
  } else {
    if (!loadNames("show")) return ExitFailed;
    rows.count = share().memberCount;
  }
  // Reading without the lock harms nobody: show goes ahead where no lock file can be made, and says so.
  share().requireLock = false;
  OddLockWatch oddLock;
  const bool read = share().memberCount == 0 || store::refreshBoard(share());
  if (share().memberCount > 0 && store::lockUnavailable(share())) reportNoLock("show", false);
  if (!read) {
    if (refuseOddLockSeen("show")) return ExitFailed;
    if (!explainHeldLock("show") && !explainBoardNotOpening("show", false)) reportLastStatus("show", true);
    return ExitFailed;
  }
  reportLastStatus("show", false);  // a lock that could not be removed, say
  // What set would refuse, show reads: an empty table needs a word on why.
  if (share().memberCount == 0) std::fputs("tavelin-cli show: warning: the name list has no members\n", stderr);
  boardLooksRight("show", false);
  platform::localNow(&rows.now);
  if (opts.json)
    report::printJson(stdout, rows);
  else if (opts.csv)
    report::printCsv(stdout, rows, isatty(fileno(stdout)) != 0);
  else
    report::printTable(stdout, rows);
  return outputWritten("show") ? ExitOk : ExitFailed;
}

}  // namespace cli
