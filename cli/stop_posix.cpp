#include <signal.h>

#include "cli/stop.h"
#include "store/lock.h"

namespace cli {

namespace {

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};

store::Share* stoppingShare;

// A lock operation blocks these signals, so the record read here matches the files. Ends as the
// signal's default would, for the status a shell or a supervisor expects.
void onStop(int signal) {
  store::releaseAtStop(*stoppingShare);
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  raise(signal);  // delivered once this handler returns: the signal is blocked until then
}

}  // namespace

void releaseLockOnStop(store::Share& share) {
  stoppingShare = &share;
  struct sigaction action = {};
  action.sa_handler = onStop;
  // One stop at a time: a second signal waits until the first one's handler has ended the process.
  sigemptyset(&action.sa_mask);
  for (int s : StopSignals) sigaddset(&action.sa_mask, s);
  for (int s : StopSignals) {
    struct sigaction before = {};
    // A signal ignored by whoever started us (nohup) stays ignored.
    if (sigaction(s, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    sigaction(s, &action, nullptr);
  }
}

}  // namespace cli
