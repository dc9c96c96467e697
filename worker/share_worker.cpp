#include "worker/share_worker.h"

#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/system.h"
#include "report/report.h"
#include "store/access.h"
#include "store/names.h"
#include "text/bounded.h"
#include "text/cp932.h"

namespace worker {

namespace {

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

bool isWrite(Job job) { return job == Job::writeRow || job == Job::writeMine; }

// A stop serves what changes the board or a file the member asked for; looks are not worth waiting for.
bool servedWhileStopping(Job job) { return isWrite(job) || job == Job::csv || job == Job::resetLock; }

// One registry of workers by share, so the core's onBusy hook (a plain function) finds its worker.
constexpr int MaxWorkers = 4;
std::mutex registryGuard;
struct Registered {
  store::Share* share;
  ShareWorker* worker;
} registry[MaxWorkers];

// A request's access: the flag other threads read to tell whether the process may end now.
class InAccess {
 public:
  explicit InAccess(std::atomic<bool>& flag) : flag_(flag) { flag_.store(true, std::memory_order_release); }
  ~InAccess() { flag_.store(false, std::memory_order_release); }
  InAccess(const InAccess&) = delete;
  InAccess& operator=(const InAccess&) = delete;

 private:
  std::atomic<bool>& flag_;
};

}  // namespace

ShareWorker::ShareWorker(store::Share& share, Listener& listener, const Options& options)
    : share_(share), listener_(listener), options_(options) {
  std::memset(&published_, 0, sizeof published_);
  std::memset(&publishedNames_, 0, sizeof publishedNames_);
}

ShareWorker::~ShareWorker() {
  stop(0);
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> hold(registryGuard);
  for (Registered& r : registry)
    if (r.worker == this) r = {};
}

bool ShareWorker::start() {
  {
    std::lock_guard<std::mutex> hold(registryGuard);
    Registered* free = nullptr;
    for (Registered& r : registry)
      if (!r.worker && !free) free = &r;
    if (!free) return false;
    *free = {&share_, this};
  }
  share_.onBusy = onBusy;
  started_ = true;
  ended_.store(false, std::memory_order_release);
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    ended_.store(true, std::memory_order_release);
    return false;
  }
  return true;
}

bool ShareWorker::post(Request& request) {
  {
    std::lock_guard<std::mutex> hold(guard_);
    if (stopping_ || (started_ && ended())) return false;
    request.id = ++nextId_;
    const int rank = refreshRank(request.job);
    Request* last = queued_ > 0 ? &queue_[queued_ - 1] : nullptr;
    if (rank && last && refreshRank(last->job)) {
      if (rank > refreshRank(last->job)) last->job = request.job;
      if (request.replyTo) last->replyTo = request.replyTo;
      request.id = last->id;
      return true;
    }
    if (queued_ == QueueSize) return false;
    queue_[queued_++] = request;
  }
  wake_.notify_one();
  return true;
}

bool ShareWorker::busy() const {
  std::lock_guard<std::mutex> hold(guard_);
  return queued_ > 0 || running_;
}

bool ShareWorker::writing() const {
  std::lock_guard<std::mutex> hold(guard_);
  bool any = running_ && isWrite(runningJob_);
  for (int i = 0; i < queued_; ++i) any = any || isWrite(queue_[i].job);
  return any;
}

void ShareWorker::stop(uint64_t finishWithinMs) {
  {
    std::lock_guard<std::mutex> hold(guard_);
    if (!stopping_) stopBy_ = platform::elapsedMs() + finishWithinMs;
    stopping_ = true;
    // Looks are dropped at once: only what the member asked to be saved is worth the wait. A look under
    // way that waits for another PC's lock gives up at its next pause.
    int kept = 0;
    for (int i = 0; i < queued_; ++i)
      if (servedWhileStopping(queue_[i].job)) queue_[kept++] = queue_[i];
    queued_ = kept;
    if (running_ && !servedWhileStopping(runningJob_)) __atomic_store_n(&share_.cancelWait, true, __ATOMIC_RELEASE);
  }
  wake_.notify_one();
}

bool ShareWorker::waitEnded(uint64_t ms) {
  const uint64_t until = platform::elapsedMs() + ms;
  while (!ended()) {
    if (platform::elapsedMs() >= until) return false;
    platform::sleepMs(10);
  }
  if (thread_.joinable()) thread_.join();
  return true;
}

// Guarded by the caller.
void ShareWorker::noteUnsaved(const Request& r) {
  if (isWrite(r.job) && unsavedCount_ < QueueSize + 1) unsaved_[unsavedCount_++] = r;
}

int ShareWorker::unsaved(Request* out, int room) const {
  std::lock_guard<std::mutex> hold(guard_);
  int n = 0;
  for (; n < unsavedCount_ && n < room; ++n) out[n] = unsaved_[n];
  return n;
}

void ShareWorker::snapshot(Snapshot& out) const {
  std::lock_guard<std::mutex> hold(guard_);
  out = published_;
}

uint64_t ShareWorker::goodReadMs() const {
  std::lock_guard<std::mutex> hold(guard_);
  return published_.goodReadMs;
}

WaitFacts ShareWorker::lastWait() const {
  std::lock_guard<std::mutex> hold(guard_);
  return publishedWait_;
}

store::LockState ShareWorker::answeredLockState() const {
  std::lock_guard<std::mutex> hold(guard_);
  return publishedLock_;
}

void ShareWorker::takeAnsweredNames(NamesAnswer& out) const {
  std::lock_guard<std::mutex> hold(guard_);
  out = publishedNames_;
}

// The core reads the flag between its pauses on the worker's thread.
void ShareWorker::cancelWait() { __atomic_store_n(&share_.cancelWait, true, __ATOMIC_RELEASE); }

void ShareWorker::onBusy(store::Share& share, int attempt) {
  ShareWorker* worker = nullptr;
  {
    std::lock_guard<std::mutex> hold(registryGuard);
    for (const Registered& r : registry)
      if (r.share == &share) worker = r.worker;
  }
  if (worker) worker->busyHeard(attempt);
}

// Each busy attempt: the holder and, once per wait, the lock's age (a look at the lock file, on this
// thread like every other), for the front end's progress and its advice on a lock left behind.
void ShareWorker::busyHeard(int attempt) {
  if (attempt == 1) store::readLockState(share_, waitLock_);
  {
    std::lock_guard<std::mutex> hold(guard_);
    // A save's first try does not read the holder: the look just made names it.
    if (share_.holderName[0] || !waitLock_.present)
      text::copyField(publishedWait_.holder, share_.holderName);
    else
      text::copyField(publishedWait_.holder, sizeof publishedWait_.holder, waitLock_.holder, waitLock_.holderLength);
    publishedWait_.attempt = attempt;
    publishedWait_.aged = waitLock_.present && waitLock_.aged;
    publishedWait_.ageSeconds = waitLock_.ageSeconds;
    // A stop gives up a look's wait at this pause, a save's once its time is up.
    if (stopping_ && (!servedWhileStopping(runningJob_) || platform::elapsedMs() >= stopBy_))
      __atomic_store_n(&share_.cancelWait, true, __ATOMIC_RELEASE);
  }
  if (current_) listener_.waiting(*current_, attempt);
}

// The name list anew. Loading it clears the image; the rows read before are put back (they belong
// to the board's slots, not to the names), so a refresh that cannot read at once leaves them in view
// rather than blank. The board is read in full at the next refresh.
bool ShareWorker::reloadMembers(int attempts) {
  before_ = share_.board;
  const bool loaded = store::loadNameList(share_, attempts) != 0;
  // The list's bytes are still in the scratch image, zeros after them.
  size_t length = store::NameListWindow;
  while (length > 0 && share_.scratch[length - 1] == 0) --length;
  listUtf8_ = loaded && text::looksUtf8(share_.scratch, length);
  std::memcpy(share_.board.entries, before_.entries, sizeof before_.entries);
  std::memcpy(share_.board.returnTimes, before_.returnTimes, sizeof before_.returnTimes);
  std::memcpy(share_.board.writtenAt, before_.writtenAt, sizeof before_.writtenAt);
  store::forgetBoardStamp(share_);
  return loaded;
}

// Said once per failed look, and gone with the next good one (the core clears what it marks). The
// path is named: a wrong one in the settings looks the same as a server that is down.
void ShareWorker::noServer(bool withBeep) {
  char path[store::SharePathSize + 1];
  store::sharePath(share_.nameListPath, path);
  char message[store::SharePathSize + 96];
  std::snprintf(message, sizeof message, "サーバーに接続できません（名前リスト：%s）", path);
  status::showStatus(message);
  if (withBeep) status::beep();
  share_.troubleShown = true;
}

// One quick look: a name list that changed (or none yet: the share may be back) is loaded with one
// attempt, and a busy board is left to the next tick. The worker's own timed look reads the board only.
int ShareWorker::tick(bool* namesLoaded, store::WhenLocked whenLocked) {
  if (namesLoaded && store::nameListChanged(share_)) {
    *namesLoaded = true;
    if (!reloadMembers(1)) noServer(false);
  }
  return store::refreshIfChanged(share_, whenLocked);
}

// A row another PC keeps changing under us is left alone after this many reads.
constexpr int MineTries = 3;

// My row as the board image has it, with the new state and time: each try starts from the row as
// last read, so plans another PC wrote meanwhile are kept, never written over.
int ShareWorker::writeMine(const Request& r) {
  int saved = store::RowChanged;
  for (int i = 0; i < MineTries && saved == store::RowChanged; ++i) {
    store::RowCopy seen;
    store::copyRow(share_.board, r.slot, seen);
    char written[text::WrittenAtSize];
    text::formatWrittenAt(written);
    const store::RowTexts row = {seen.morning, seen.afternoon, r.row.state, r.row.returnTime, written};
    const store::RowTexts was = store::textsOf(seen);
    saved = store::writeRow(share_, r.slot, row, &was);
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

int ShareWorker::writeRow(const Request& r) {
  share_.requireLock = options_.writeRequiresLock;
  share_.writeWithoutLock = options_.writeWithoutLock;
  const store::RowTexts row = store::textsOf(r.row);
  const store::RowTexts seen = store::textsOf(r.seen);
  const int saved =
      r.job == Job::writeMine ? writeMine(r) : store::writeRow(share_, r.slot, row, r.hasSeen ? &seen : nullptr);
  share_.requireLock = false;
  share_.writeWithoutLock = false;
  return saved;
}

int pathTroubleOf(const char* path) {
  if (!path[0]) return 0;
  switch (files::kindOf(path)) {
    case files::Kind::none: return PathMissing;
    case files::Kind::folder:
    case files::Kind::other: return PathNotAFile;
    case files::Kind::regular: break;
  }
  return files::opens(path) ? 0 : PathUnreadable;
}

int checkPaths(const char* nameList, const char* board) {
  const int oneFile = nameList[0] && board[0] && files::sameFile(nameList, board) ? OneFileTrouble : 0;
  return pathTroubleOf(nameList) | pathTroubleOf(board) << BoardTroubleShift | oneFile;
}

// A list named in the settings, read once into a share of its own: the board's share keeps its
// names until the settings are saved and the program starts again.
int ShareWorker::readOtherNames(const char* path) {
  static store::Share other;
  char names[store::SharePathSize] = {};
  text::copyField(names, sizeof names, path, strnlen(path, PathSize));
  store::usePaths(other, names, share_.boardPath);
  const bool read = names[0] && store::loadNameList(other, 1) != 0 && other.memberCount > 0;
  std::lock_guard<std::mutex> hold(guard_);
  publishedNames_.count = read ? other.memberCount : 0;
  std::memcpy(publishedNames_.names, other.displayNames, sizeof publishedNames_.names);
  return read ? 1 : 0;
}

namespace {

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

}  // namespace

// The board is read first, so the file holds what the share holds now; one that could not be read
// is saved as last read, and the message says so.
int ShareWorker::saveCsv(const char* path) {
  const bool current = store::refreshBoard(share_) != 0;
  const bool saved = writeCsv(share_, path);
  const char* format = !saved ? "(501)CSVファイルを書き込めません（%s）"
                       : !current ? "(502)ボードを読めないため、前回読んだ内容を保存しました（%s）"
                                  : "CSV を保存しました（%s）";
  char message[PathSize + 96];
  std::snprintf(message, sizeof message, format, path);
  status::showStatus(message);
  if (!saved || !current) status::beep();
  return saved ? 1 : 0;
}

// The board is read again after a reset, so the list shows what the lock held up; the reset's
// outcome stays in view.
int ShareWorker::resetLockAndRead() {
  status::Heard said;
  bool removed;
  {
    status::Listen listen(said);
    removed = store::resetLock(share_);
  }
  status::hear(said.message);
  status::beep();
  if (!removed) return 0;
  if (store::refreshBoard(share_)) status::showStatus(said.message);
  return 1;
}

int ShareWorker::serve(const Request& r, bool& namesLoaded) {
  share_.requireLock = false;
  switch (r.job) {
    case Job::load: {
      namesLoaded = true;
      // One quick look first: a list that is not there is said at once, with its path and the way to
      // the settings, while the other attempts go on.
      if (!reloadMembers(1)) {
        publish(true, true, false);
        if (!reloadMembers(store::Attempts - 1)) noServer(true);
      }
      store::refreshBoard(share_);
      return 1;
    }
    case Job::update:
      if (store::nameListChanged(share_)) {
        namesLoaded = true;
        if (!reloadMembers(store::Attempts)) noServer(true);
      }
      return store::refreshBoard(share_);
    case Job::tick: return tick(r.boardOnly ? nullptr : &namesLoaded, store::WhenLocked::named);
    case Job::glance: return tick(&namesLoaded, store::WhenLocked::quiet);
    case Job::paths: {
      char names[store::SharePathSize], board[store::SharePathSize];
      text::copyField(names, sizeof names, r.path, sizeof r.path);
      text::copyField(board, sizeof board, r.boardPath, sizeof r.boardPath);
      store::usePaths(share_, names, board);
      share_.writeWithoutLock = r.writeWithoutLock;
      return 1;
    }
    case Job::writeRow:
    case Job::writeMine: return writeRow(r);
    case Job::lockState: {
      store::LockState lock;
      store::readLockState(share_, lock);
      std::lock_guard<std::mutex> hold(guard_);
      publishedLock_ = lock;
      return 1;
    }
    case Job::resetLock: return resetLockAndRead();
    case Job::csv: return saveCsv(r.path);
    case Job::names: return readOtherNames(r.path);
    case Job::checkPaths: return checkPaths(r.path, r.boardPath);
    case Job::none: return 0;
  }
  return 0;
}

// The share's board, names and time into the published snapshot, then the listener.
void ShareWorker::publish(bool namesLoaded, bool midway, bool goodRead) {
  if (options_.readsWithoutLock) share_.requireLock = false;
  {
    std::lock_guard<std::mutex> hold(guard_);
    Snapshot& p = published_;
    p.board = share_.board;
    std::memcpy(p.displayNames, share_.displayNames, sizeof p.displayNames);
    p.memberCount = share_.memberCount;
    text::copyField(p.statusInfoText, share_.statusInfoText);
    p.lockBusy = share_.lockWasBusy;
    p.troubleShown = share_.troubleShown || share_.lockedTickShown;
    p.proofDeferred = share_.proofDeferred;
    p.namesMissing = !share_.listLoaded;
    p.namesUtf8 = listUtf8_;
    p.namesIgnored = share_.namesIgnored;
    if (goodRead) {
      p.everRead = true;
      p.goodReadMs = platform::elapsedMs();
    }
    text::copyField(p.holder, share_.holderName);
  }
  listener_.published(published_, namesLoaded, midway);
}

bool ShareWorker::take(Request& r) {
  std::unique_lock<std::mutex> hold(guard_);
  // Past a stop's time what is still queued is not saved, and the member is to be told.
  if (stopping_ && platform::elapsedMs() >= stopBy_) {
    for (int i = 0; i < queued_; ++i) noteUnsaved(queue_[i]);
    queued_ = 0;
  }
  for (;;) {
    if (queued_ > 0) break;
    if (stopping_) return false;
    if (options_.lookEveryMs == 0) {
      wake_.wait(hold);
      continue;
    }
    // The worker's own look, at its pace, between requests: slept for in short slices on the platform's
    // steady clock rather than waited for on a condition variable, whose timed wait follows a wall clock a
    // test may set ahead; a request that comes meanwhile is taken at the next slice.
    const uint64_t now = platform::elapsedMs();
    if (now - lastLookMs_ >= options_.lookEveryMs) {
      lastLookMs_ = now;
      r = Request{};
      r.job = Job::tick;
      r.boardOnly = true;
      running_ = true;
      runningJob_ = r.job;
      return true;
    }
    hold.unlock();
    platform::sleepMs(options_.lookEveryMs < 20 ? options_.lookEveryMs : 20);
    hold.lock();
  }
  r = queue_[0];
  for (int i = 1; i < queued_; ++i) queue_[i - 1] = queue_[i];
  --queued_;
  running_ = true;
  runningJob_ = r.job;
  return true;
}

void ShareWorker::run() {
  Request r;
  while (take(r)) {
    listener_.begun(r);
    current_ = &r;
    {
      std::lock_guard<std::mutex> hold(guard_);
      publishedWait_.attempt = 0;
    }
    Outcome outcome;
    outcome.job = r.job;
    outcome.id = r.id;
    bool namesLoaded = false;
    {
      InAccess access(inAccess_);
      status::Listen listen(outcome.heard);
      outcome.code = serve(r, namesLoaded);
    }
    current_ = nullptr;
    if (r.job != Job::names && r.job != Job::checkPaths) publish(namesLoaded, false, outcome.heard.read);
    {
      std::lock_guard<std::mutex> hold(guard_);
      // A write a stop gave up on is one the member must hear of.
      if (stopping_ && isWrite(r.job) && outcome.code != 1) noteUnsaved(r);
      running_ = false;
    }
    listener_.answered(r, outcome);
  }
  {
    std::lock_guard<std::mutex> hold(guard_);
    running_ = false;
  }
  ended_.store(true, std::memory_order_release);
  listener_.ended();
}

}  // namespace worker
