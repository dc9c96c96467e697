#include "ui/share_worker.h"

#include <cstring>
#include <mutex>

#include "platform/files.h"
#include "platform/system.h"
#include "store/share.h"
#include "text/bounded.h"
#include "ui/session.h"

namespace ui {

namespace {

// On the worker's thread: each event becomes a message to the window it concerns.
class WindowListener final : public worker::Listener {
 public:
  void begun(const Request& r) override {
    // The watch's look is a quiet one: the buttons stay as they are rather than flicker at every change
    // another PC makes.
    if (main && r.job != Job::glance) PostMessageA(main, WM_APP_BUSY, 0, 0);
  }
  void published(const worker::Snapshot&, bool namesLoaded, bool midway) override {
    if (main) PostMessageA(main, WM_APP_PUBLISHED, namesLoaded || midway ? 1 : 0, 0);
  }
  void answered(const Request& r, const worker::Outcome& o) override {
    {
      std::lock_guard<std::mutex> hold(guard);
      messages[static_cast<int>(r.job)] = o.heard;
    }
    HWND reply = static_cast<HWND>(r.replyTo);
    if (!reply) return;
    const UINT message = r.job == Job::names        ? WM_APP_NAMES
                         : r.job == Job::checkPaths ? WM_APP_PATHS_CHECKED
                                                    : WM_APP_ANSWER;
    PostMessageA(reply, message, static_cast<WPARAM>(r.job), o.code);
  }
  void waiting(const Request& r, int attempt) override {
    if (main) PostMessageA(main, WM_APP_WAITING, static_cast<WPARAM>(attempt), 0);
    HWND reply = static_cast<HWND>(r.replyTo);
    if (reply && reply != main) PostMessageA(reply, WM_APP_WAITING, static_cast<WPARAM>(attempt), 0);
  }
  void ended() override {
    if (main) PostMessageA(main, WM_APP_WORKER_ENDED, 0, 0);
  }

  HWND main = nullptr;
  std::mutex guard;
  status::Heard messages[static_cast<int>(Job::checkPaths) + 1] = {};
};

WindowListener& listener() {
  static WindowListener one;
  return one;
}

// Taken once, before the window's thread gives the share up.
store::Share& owned = share();

worker::ShareWorker& theWorker() {
  static worker::ShareWorker one(owned, listener());
  return one;
}

bool started;
// When the worker was first told to stop: the waits for it count from there.
ULONGLONG stoppedAt;

}  // namespace

void takePublished() { theWorker().snapshot(boardView()); }

bool startShareWorker(HWND window) {
  listener().main = window;
  // The worker owns the share from here on: the window's thread asking for it is a fault the test build
  // of the window reports.
  worker::ShareWorker& w = theWorker();
  files::forbidShareCallsOnThisThread();
  started = w.start();
  return started;
}

bool postRequest(const Request& request) {
  Request r = request;
  return theWorker().post(r);
}

bool shareBusy() { return theWorker().busy(); }

bool shareWriting() { return theWorker().writing(); }

void stopShareWorker() {
  if (!stoppedAt) stoppedAt = GetTickCount64();
  theWorker().stop(worker::StopFinishMs);
}

bool shareWorkerEnded() { return !started || theWorker().ended(); }

void endWithoutWorker(UINT code) {
  platform::holdLockOperations();
  store::releaseAtStop(owned);
  TerminateProcess(GetCurrentProcess(), code);
  ExitProcess(code);
}

void waitForShareWorker(DWORD ms) {
  if (!started) return;
  const ULONGLONG passed = stoppedAt ? GetTickCount64() - stoppedAt : 0;
  theWorker().waitEnded(passed < ms ? ms - passed : 0);
}

int unsavedWrites(Request* out, int room) { return theWorker().unsaved(out, room); }

store::LockState answeredLockState() { return theWorker().answeredLockState(); }

void answeredMessage(Job job, char* out, size_t size) {
  WindowListener& l = listener();
  std::lock_guard<std::mutex> hold(l.guard);
  const status::Heard& heard = l.messages[static_cast<int>(job)];
  text::copyField(out, size, heard.message, sizeof heard.message);
}

WaitFacts lastWait() { return theWorker().lastWait(); }

void cancelShareWait() { theWorker().cancelWait(); }

void takeAnsweredNames(NamesAnswer& out) { theWorker().takeAnsweredNames(out); }

// Once the worker runs the share is its own: the paths go to it as a request, in turn with the others.
void sharePaths(const char (&nameListPath)[store::SharePathSize], const char (&boardPath)[store::SharePathSize],
                bool writeWithoutLock) {
  if (!started) {
    owned.writeWithoutLock = writeWithoutLock;
    return store::usePaths(owned, nameListPath, boardPath);
  }
  Request paths;
  paths.job = Job::paths;
  paths.writeWithoutLock = writeWithoutLock;
  static_assert(sizeof paths.path >= sizeof nameListPath, "a path field fits");
  std::memcpy(paths.path, nameListPath, sizeof nameListPath);
  std::memcpy(paths.boardPath, boardPath, sizeof boardPath);
  postRequest(paths);
}

}  // namespace ui
