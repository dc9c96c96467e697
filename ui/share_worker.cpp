#include "ui/share_worker.h"

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/files.h"
#include "platform/status.h"
#include "platform/system.h"
#include "report/report.h"
#include "store/access.h"
#include "store/names.h"
#include "store/share.h"
#include "text/bounded.h"
#include "text/cp932.h"
#include "ui/board_watch.h"
#include "ui/session.h"
#include "ui/states.h"
#include "ui/status_bar.h"
#include "ui/user_settings.h"

namespace ui {

namespace {

// Few: the window posts one request per user action, and refreshes merge.
constexpr int QueueSize = 8;

std::mutex guard;
std::condition_variable wake;
// Guarded: the queue, the worker's state and the published board.
Request queue[QueueSize];
int queued;
bool running;
bool stopping;
HANDLE thread;
HWND mainWindow;
// When the worker was first told to stop: the waits for it count from there.
ULONGLONG stoppedAt;
BoardView published;
store::LockState publishedLock;
WaitFacts publishedWait;
NamesAnswer publishedNames;
// The worker's own: who hears of the request's waits besides the main window.
HWND currentReply;
// Read without the guard, by the window's close while the worker may be stuck in a file call.
bool workerEnded = true;

// The strength of a refresh: a first load does what a list update does, which does what a tick does.
int refreshRank(Job job) {
  switch (job) {
    case Job::tick:
    case Job::glance: return 1;
    case Job::update: return 2;
    case Job::load: return 3;
    default: return 0;
  }
}

// Whether the list last loaded looks like UTF-8. The worker's.
bool listUtf8;

// The name list anew. Loading it clears the image; the rows read before are put back (they belong
// to the board's slots, not to the names), so a refresh that cannot read at once leaves them in view
// rather than blank. The board is read in full at the next refresh.
bool reloadMembers(store::Share& share, int attempts) {
  static store::BoardImage before;
  before = share.board;
  const bool loaded = store::loadNameList(share, attempts) != 0;
  // The list's bytes are still in the scratch image, zeros after them.
  size_t length = store::NameListWindow;
  while (length > 0 && share.scratch[length - 1] == 0) --length;
  listUtf8 = loaded && text::looksUtf8(share.scratch, length);
  std::memcpy(share.board.entries, before.entries, sizeof before.entries);
  std::memcpy(share.board.returnTimes, before.returnTimes, sizeof before.returnTimes);
  std::memcpy(share.board.writtenAt, before.writtenAt, sizeof before.writtenAt);
  store::forgetBoardStamp(share);
  return loaded;
}

// Said once per failed look, and gone with the next good one (the core clears what it marks).
void noServer(store::Share& share, bool withBeep) {
  reportNoServer(withBeep);
  share.troubleShown = true;
}

// The list update: the name list again when it changed or none is loaded, then the board.
void updateMembersAndBoard(store::Share& share, bool& namesLoaded) {
  if (store::nameListChanged(share)) {
    namesLoaded = true;
    if (!reloadMembers(share, store::Attempts)) noServer(share, true);
  }
  store::refreshBoard(share);
}

// One quick look: a name list that changed (or none yet: the share may be back) is loaded with one
// attempt, and a busy board is left to the next tick.
void tick(store::Share& share, bool& namesLoaded, store::WhenLocked whenLocked) {
  if (store::nameListChanged(share)) {
    namesLoaded = true;
    if (!reloadMembers(share, 1)) noServer(share, false);
  }
  store::refreshIfChanged(share, whenLocked);
}

// A row another PC keeps changing under us is left alone after this many reads.
constexpr int MineTries = 3;

// My row as the board image has it, with the new state and time: each try starts from the row as
// last read, so plans another PC wrote meanwhile are kept, never written over. Only 外出・戻り keeps
// a return time; any other state has none to keep.
int writeMine(store::Share& share, const Request& r) {
  int saved = store::RowChanged;
  for (int i = 0; i < MineTries && saved == store::RowChanged; ++i) {
    store::RowCopy seen;
    store::copyRow(share.board, r.slot, seen);
    char written[text::WrittenAtSize];
    text::formatWrittenAt(written);
    const store::RowTexts row = {seen.morning, seen.afternoon, r.row.state, r.row.returnTime, written};
    const store::RowTexts was = store::textsOf(seen);
    saved = store::writeRow(share, r.slot, row, &was);
  }
  char message[96];
  if (saved == 1) {
    std::snprintf(message, sizeof message, "自分の状態を「%s」にしました", r.row.state);
    status::showStatus(message);
  } else if (saved == store::RowChanged) {
    status::showStatus("(402)ほかのPCが自分の行を書き換え中です。もう一度お試しください");
    status::beep();
  }
  return saved;
}

// Each busy attempt: the holder and, once per wait, the lock's age (a look at the lock file, on this
// thread like every other), for the window's progress and its advice on a lock left behind.
void busyHeard(store::Share& share, int attempt) {
  static store::LockState lock;
  if (attempt == 1) store::readLockState(share, lock);
  {
    std::lock_guard<std::mutex> hold(guard);
    // A save's first try does not read the holder: the look just made names it.
    if (share.holderName[0] || !lock.present)
      text::copyField(publishedWait.holder, share.holderName);
    else
      text::copyField(publishedWait.holder, sizeof publishedWait.holder, lock.holder, lock.holderLength);
    publishedWait.attempt = attempt;
    publishedWait.aged = lock.present && lock.aged;
    publishedWait.ageSeconds = lock.ageSeconds;
  }
  if (mainWindow) PostMessageA(mainWindow, WM_APP_WAITING, static_cast<WPARAM>(attempt), 0);
  if (currentReply && currentReply != mainWindow)
    PostMessageA(currentReply, WM_APP_WAITING, static_cast<WPARAM>(attempt), 0);
}

// A list named in the settings, read once into a share of its own: the board's share keeps its
// names until the settings are saved and the program starts again.
int readOtherNames(const char* path) {
  static store::Share other;
  char names[store::SharePathSize] = {};
  text::copyField(names, sizeof names, path, std::strlen(path));
  store::usePaths(other, names, share().boardPath);
  const bool read = names[0] && store::loadNameList(other, 1) != 0 && other.memberCount > 0;
  std::lock_guard<std::mutex> hold(guard);
  publishedNames.count = read ? other.memberCount : 0;
  std::memcpy(publishedNames.names, other.displayNames, sizeof publishedNames.names);
  return read ? 1 : 0;
}

// Flushed before it is closed, so a full disk is seen, not reported as saved.
bool writeCsv(const store::Share& share, const char* path) {
  files::Handle file(files::openWrite(path));
  if (!file) return false;
  static const unsigned char Bom[] = {0xEF, 0xBB, 0xBF};
  files::writeBlock(Bom, sizeof Bom, file.get());
  report::Rows rows = {&share.board, share.displayNames, share.memberCount, false, {}};
  platform::localNow(&rows.now);
  report::printCsv(file.get(), rows, false, report::CsvFor::people);
  return files::flushBuffered(file.get()) && !files::hasError(file.get());
}

// The board is read first, so the file holds what the share holds now; one that could not be read
// is saved as last read, and the message says so.
int saveCsv(store::Share& share, const char* path) {
  const bool current = store::refreshBoard(share) != 0;
  const bool saved = writeCsv(share, path);
  const char* format = !saved ? "(501)CSVファイルを書き込めません（%s）"
                       : !current ? "(502)ボードを読めないため、前回読んだ内容を保存しました（%s）"
                                  : "CSV を保存しました（%s）";
  char message[MAX_PATH + 96];
  std::snprintf(message, sizeof message, format, path);
  status::showStatus(message);
  if (!saved || !current) status::beep();
  return saved ? 1 : 0;
}

// The board is read again after a reset, so the list shows what the lock held up; the reset's
// outcome stays in view.
int resetLockAndRead(store::Share& share) {
  const bool removed = store::resetLock(share);
  status::beep();
  if (!removed) return 0;
  char outcome[512];
  lastStatusMessage(outcome, sizeof outcome);
  if (store::refreshBoard(share)) status::showStatus(outcome);
  return 1;
}

void publishBoard(const store::Share& s);

// The window sees the board as it stands in the middle of a request.
void publishMidway() {
  publishBoard(share());
  if (mainWindow) PostMessageA(mainWindow, WM_APP_PUBLISHED, 1, 0);
}

int serve(const Request& r, bool& namesLoaded) {
  store::Share& s = share();
  switch (r.job) {
    case Job::load: {
      namesLoaded = true;
      // One quick look first: a list that is not there is said at once, with its path and the way to
      // the settings, while the other attempts go on.
      if (!reloadMembers(s, 1)) {
        publishMidway();
        if (!reloadMembers(s, store::Attempts - 1)) noServer(s, true);
      }
      store::refreshBoard(s);
      return 1;
    }
    case Job::update: updateMembersAndBoard(s, namesLoaded); return 1;
    case Job::tick: tick(s, namesLoaded, store::WhenLocked::named); return 1;
    case Job::glance: tick(s, namesLoaded, store::WhenLocked::quiet); return 1;
    case Job::paths: {
      char names[store::SharePathSize], board[store::SharePathSize];
      std::memcpy(names, r.path, sizeof names);
      std::memcpy(board, r.boardPath, sizeof board);
      store::usePaths(s, names, board);
      s.writeWithoutLock = r.writeWithoutLock;
      return 1;
    }
    case Job::writeRow: {
      const store::RowTexts row = store::textsOf(r.row);
      const store::RowTexts seen = store::textsOf(r.seen);
      return store::writeRow(s, r.slot, row, &seen);
    }
    case Job::writeMine: return writeMine(s, r);
    case Job::lockState: {
      store::LockState lock;
      store::readLockState(s, lock);
      std::lock_guard<std::mutex> hold(guard);
      publishedLock = lock;
      return 1;
    }
    case Job::resetLock: return resetLockAndRead(s);
    case Job::csv: return saveCsv(s, r.path);
    case Job::names: return readOtherNames(r.path);
    case Job::none: return 0;
  }
  return 0;
}

// The share's board, names and time into the published copy; the window takes it when it handles
// the message, which comes before the request's answer.
void publishBoard(const store::Share& s) {
  std::lock_guard<std::mutex> hold(guard);
  published.board = s.board;
  std::memcpy(published.displayNames, s.displayNames, sizeof published.displayNames);
  published.memberCount = s.memberCount;
  text::copyField(published.statusInfoText, s.statusInfoText);
  published.lockBusy = s.lockWasBusy;
  published.namesMissing = !s.listLoaded;
  published.namesUtf8 = listUtf8;
  published.namesIgnored = s.namesIgnored;
}

void publish(const Request& r, int outcome, bool namesLoaded) {
  publishBoard(share());
  if (r.job == Job::names) {
    if (r.replyTo) PostMessageA(r.replyTo, WM_APP_NAMES, 0, outcome);
    return;
  }
  if (mainWindow) PostMessageA(mainWindow, WM_APP_PUBLISHED, namesLoaded ? 1 : 0, 0);
  if (r.replyTo) PostMessageA(r.replyTo, WM_APP_ANSWER, static_cast<WPARAM>(r.job), outcome);
}

DWORD WINAPI workerMain(void*) {
  for (;;) {
    Request r;
    {
      std::unique_lock<std::mutex> hold(guard);
      wake.wait(hold, [] { return queued > 0 || stopping; });
      if (stopping) break;
      r = queue[0];
      for (int i = 1; i < queued; ++i) queue[i - 1] = queue[i];
      --queued;
      running = true;
    }
    // The watch's look is a quiet one: the buttons stay as they are rather than flicker at every change
    // another PC makes (a request that comes meanwhile waits its turn as it would anyway).
    if (mainWindow && r.job != Job::glance) PostMessageA(mainWindow, WM_APP_BUSY, 0, 0);
    currentReply = r.replyTo;
    {
      std::lock_guard<std::mutex> hold(guard);
      publishedWait.attempt = 0;
    }
    bool namesLoaded = false;
    const int outcome = serve(r, namesLoaded);
    publish(r, outcome, namesLoaded);
    std::lock_guard<std::mutex> hold(guard);
    running = false;
  }
  {
    std::lock_guard<std::mutex> hold(guard);
    running = false;
  }
  __atomic_store_n(&workerEnded, true, __ATOMIC_RELEASE);
  if (mainWindow) PostMessageA(mainWindow, WM_APP_WORKER_ENDED, 0, 0);
  return 0;
}

}  // namespace

BoardView& boardView() {
  static BoardView view;
  return view;
}

bool startShareWorker(HWND window) {
  mainWindow = window;
  share().onBusy = busyHeard;
  workerEnded = false;
  thread = CreateThread(nullptr, 0, workerMain, nullptr, 0, nullptr);
  if (!thread) workerEnded = true;
  return thread != nullptr;
}

bool postRequest(const Request& request) {
  {
    std::lock_guard<std::mutex> hold(guard);
    if (stopping || shareWorkerEnded()) return false;
    const int rank = refreshRank(request.job);
    Request* last = queued > 0 ? &queue[queued - 1] : nullptr;
    if (rank && last && refreshRank(last->job)) {
      if (rank > refreshRank(last->job)) last->job = request.job;
      if (request.replyTo) last->replyTo = request.replyTo;
      return true;
    }
    if (queued == QueueSize) return false;
    queue[queued++] = request;
  }
  wake.notify_one();
  return true;
}

bool shareBusy() {
  std::lock_guard<std::mutex> hold(guard);
  return queued > 0 || running;
}

void stopShareWorker() {
  {
    std::lock_guard<std::mutex> hold(guard);
    if (!stopping) stoppedAt = GetTickCount64();
    stopping = true;
    queued = 0;
  }
  wake.notify_one();
}

bool shareWorkerEnded() { return __atomic_load_n(&workerEnded, __ATOMIC_ACQUIRE); }

// The core sets the flag inside an access on the worker's thread; a bool read whole is enough to
// tell whether our lock file stands.
bool workerHoldsLock() { return __atomic_load_n(&share().lockCreated, __ATOMIC_ACQUIRE); }

void waitForShareWorker(DWORD ms) {
  if (!thread) return;
  const ULONGLONG passed = GetTickCount64() - stoppedAt;
  DWORD wait = passed < ms ? static_cast<DWORD>(ms - passed) : 0;
  while (WaitForSingleObject(thread, wait) == WAIT_TIMEOUT && workerHoldsLock()) wait = 100;
}

store::LockState answeredLockState() {
  std::lock_guard<std::mutex> hold(guard);
  return publishedLock;
}

WaitFacts lastWait() {
  std::lock_guard<std::mutex> hold(guard);
  return publishedWait;
}

// The core reads the flag between its pauses on the worker's thread.
void cancelShareWait() { __atomic_store_n(&share().cancelWait, true, __ATOMIC_RELEASE); }

void takeAnsweredNames(NamesAnswer& out) {
  std::lock_guard<std::mutex> hold(guard);
  out = publishedNames;
}

// The window takes the published board into its view.
void takePublished() {
  std::lock_guard<std::mutex> hold(guard);
  boardView() = published;
}

// Once the worker runs the share is its own: the paths go to it as a request, in turn with the others.
void sharePathsFromPrefs() {
  char board[MAX_PATH];
  text::copyField(board, local().prefs.boardPath);
  followBoardFolder(board);
  const bool unlocked = savedWriteWithoutLock();
  if (shareWorkerEnded()) {
    share().writeWithoutLock = unlocked;
    return store::usePaths(share(), local().prefs.nameListPath, local().prefs.boardPath);
  }
  Request paths;
  paths.job = Job::paths;
  paths.writeWithoutLock = unlocked;
  static_assert(sizeof paths.path >= sizeof local().prefs.nameListPath, "a path field fits");
  std::memcpy(paths.path, local().prefs.nameListPath, sizeof local().prefs.nameListPath);
  std::memcpy(paths.boardPath, local().prefs.boardPath, sizeof local().prefs.boardPath);
  postRequest(paths);
}

}  // namespace ui
