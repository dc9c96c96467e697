#include <signal.h>
#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "web/system.h"

namespace web {

namespace {

sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  // Closing the terminal that runs serve.
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

int prepareProcess() {
  const sigset_t set = stopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  signal(SIGPIPE, SIG_IGN);
  rlimit files;
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
  if (getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY) return 1024;
  return files.rlim_cur > 1000000 ? 1000000 : static_cast<int>(files.rlim_cur);
}

int waitForStop() {
  const sigset_t set = stopSignals();
  int signal = 0;
  while (sigwait(&set, &signal) != 0) {
  }
  return signal;
}

int anotherStop() {
  const sigset_t set = stopSignals();
  const timespec none = {0, 0};
  const int signal = sigtimedwait(&set, nullptr, &none);
  return signal > 0 ? signal : 0;
}

void endWithSignal(int signal) {
  std::fflush(stderr);
  ::signal(signal, SIG_DFL);
  const sigset_t set = stopSignals();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
  std::_Exit(128 + signal);
}

}  // namespace web
