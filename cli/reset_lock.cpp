#include <cstdio>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/lock_info.h"
#include "cli/output.h"
#include "cli/session.h"
#include "cli/share_guard.h"
#include "settings/preferences.h"
#include "store/lock.h"

namespace cli {

namespace {

constexpr char ResetUsage[] =
    "usage: tavelin-cli reset-lock [SOURCE] [--no-lock]\n"
    "  Deletes the lock file (sem.dat) beside the board file, which a client that stopped in the\n"
    "  middle of an access left behind. Make sure no client is writing at this moment.\n"
    "  Refused where no lock file can be made or through a FUSE SMB mount, unless --no-lock.\n"
    "SOURCE: --prefs FILE, or --board FILE (--names is not needed); without it, this PC's preferences.\n";

}  // namespace

int runResetLock(int argc, char** argv) {
  Options opts;
  char error[512];
  if (!parseOptions(argc, argv, ResetLockOptions, opts, error, sizeof error))
    return usageError("reset-lock", error, ResetUsage);
  if (opts.help) return printHelp(ResetUsage);
  int status = prepareSource("reset-lock", opts, Need::board, ResetUsage);
  if (status != ExitOk) return status;
  // reset-lock deletes: never a folder or a device standing where the lock belongs.
  if (refuseOddLockFile("reset-lock")) return ExitFailed;
  // Where no client can place a lock, clearing one would only hide that the share is wrong.
  if (!opts.noLock && refuseUnsafeMount("reset-lock")) return ExitFailed;
  if (!opts.noLock && !store::canCreateLock(share())) {
    reportNoLock("reset-lock", true);
    return ExitFailed;
  }

  char boardPath[settings::PathSize + 1];
  store::sharePath(share().boardPath, boardPath);
  char lockPath[store::LockPathSize];
  const bool fits = store::lockPathFor(boardPath, sizeof boardPath, lockPath) == store::LockPath::ok;
  // Say whose lock goes, and how old it is, before it goes.
  const bool existed = describeLock(stdout, "removing the ");
  forgetStatus();
  const bool removed = store::resetLock(share());
  std::fputs(removed            ? "tavelin-cli reset-lock: removed '"
             : fits && !existed ? "tavelin-cli reset-lock: there is no lock file '"
                                : "tavelin-cli reset-lock: cannot remove the lock file '",
             stderr);
  writeNativePath(stderr, fits ? lockPath : boardPath);
  std::fprintf(stderr, "'%s%s\n", removed || existed ? "" : "; nothing was removed", lastStatusCode());
  forgetStatus();
  if (!outputWritten("reset-lock")) return ExitFailed;
  return removed ? ExitOk : ExitFailed;
}

}  // namespace cli
