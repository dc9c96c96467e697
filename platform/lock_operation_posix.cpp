// Lock operations on POSIX: the stop signals are blocked for an operation's life, so a handler runs
// before its create or after its record; other threads' stops wait for it through a mutex.
#include <pthread.h>
#include <signal.h>

#include <condition_variable>
#include <mutex>

#include "platform/system.h"

namespace platform {

namespace {
thread_local int depth;
thread_local sigset_t savedMask;

std::mutex guard;
std::condition_variable changed;
int inFlight;
bool held;

sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}
}  // namespace

LockOperation::LockOperation() {
  if (depth++ > 0) return;
  const sigset_t stop = stopSignals();
  pthread_sigmask(SIG_BLOCK, &stop, &savedMask);
  std::unique_lock<std::mutex> lock(guard);
  changed.wait(lock, [] { return !held; });
  ++inFlight;
}

LockOperation::~LockOperation() {
  if (--depth > 0) return;
  {
    std::lock_guard<std::mutex> lock(guard);
    --inFlight;
  }
  changed.notify_all();
  // A signal that came meanwhile is delivered here, with the record matching the files.
  pthread_sigmask(SIG_SETMASK, &savedMask, nullptr);
}

void holdLockOperations() {
  std::unique_lock<std::mutex> lock(guard);
  held = true;
  // A caller inside an operation of its own waits only for the others.
  const int own = depth > 0 ? 1 : 0;
  changed.wait(lock, [own] { return inFlight <= own; });
}

}  // namespace platform
