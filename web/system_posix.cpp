#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include "web/system.h"

namespace web {

namespace {

sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

void prepareProcess() {
  const sigset_t set = stopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  signal(SIGPIPE, SIG_IGN);
  rlimit files;
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
}

void deepenBacklog(int socket) {
  // A second listen() on a listening socket only changes its queue's length.
  listen(socket, SOMAXCONN);
}

int waitForStop() {
  const sigset_t set = stopSignals();
  int signal = 0;
  while (sigwait(&set, &signal) != 0) {
  }
  return signal;
}

}  // namespace web
