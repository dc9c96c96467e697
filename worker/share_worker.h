#pragma once
// The one thread that owns a share. Every front end that keeps a share open (the window, serve) gives
// its Share to one ShareWorker: other threads post requests into a bounded queue and hear each answer
// with the code and the message of that request alone; they read the board from the snapshot the
// worker publishes after every access, never from the Share. Plain C++ threads: the same code under
// Linux and the mingw -posix toolchain.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/status.h"
#include "store/board.h"
#include "store/lock.h"
#include "store/row_copy.h"
#include "store/share.h"
#include "text/timestamps.h"

namespace worker {

enum class Job {
  none,
  load,        // the first load: the name list with every attempt, then the board
  update,      // the list update: the name list again when it changed, then the board
  tick,        // the timer's quick look
  glance,      // the same look, asked for by a folder watch: a lock another PC holds is not named
  paths,       // the two paths into the share
  writeRow,    // a row, checked against seen when hasSeen
  writeMine,   // my row's state, the plans as the board has them
  lockState,   // the lock as it stands, for the reset's question
  resetLock,   // the administrator's forced removal, then the board
  csv,         // the board read, then saved as CSV
  names,       // a name list other than the share's, read alone (the settings' choice of my name)
  checkPaths,  // what is wrong with path and boardPath (the settings' check of its two paths): PathTrouble
};

constexpr size_t PathSize = 260;

// A request with the few fields a job needs, copied in: nothing of the poster's is read later.
struct Request {
  Job job = Job::none;
  void* replyTo = nullptr;  // the poster's own tag, handed back with the answer
  unsigned id = 0;          // set by post
  int slot = -1;
  store::RowCopy row = {};
  store::RowCopy seen = {};
  bool hasSeen = true;
  bool boardOnly = false;         // a tick that leaves the name list alone
  char path[PathSize] = {};       // the CSV file; the name list's path for paths; a path to compare
  char boardPath[PathSize] = {};  // the board's path for paths; the other path to compare
  bool writeWithoutLock = false;  // with the paths: saves go where no lock file can be made
};

// A request's answer: its code (the job's own: 1 done, 0 not, store::RowChanged ...) and what the
// request itself said on the status line, if anything.
struct Outcome {
  Job job = Job::none;
  unsigned id = 0;
  int code = 0;
  status::Heard heard = {};
  bool dropped = false;  // never served: the worker stopped first
};

// What other threads read: the board as the last access left it.
struct Snapshot {
  store::BoardImage board;
  char displayNames[store::MaxMembers][store::NameSize];
  int memberCount;
  char statusInfoText[text::StatusInfoSize];
  bool lockBusy;                   // the last access ended with another PC's lock still there
  bool troubleShown;               // the status line holds a failed access's message
  bool proofDeferred;              // the board's proof waits for a look soon (store::ProofLookMs)
  bool namesMissing;               // the name list could not be opened
  bool namesUtf8;                  // the list as loaded looks like UTF-8
  int namesIgnored;                // names of the list past the board's 300 rows
  bool everRead;                   // a good read of the whole board happened
  uint64_t goodReadMs;             // platform::elapsedMs() at the last good read
  char holder[store::HolderSize];  // the lock's holder as last heard
};

// The lock a request waits for: its holder, the attempt and how old the lock file is.
struct WaitFacts {
  char holder[store::HolderSize];
  int attempt;
  bool aged;
  long long ageSeconds;
};

// The names a names request read: the list's display names and how many.
struct NamesAnswer {
  char names[store::MaxMembers][store::NameSize];
  int count;
};

// Told on the worker's thread; each must be quick (post a message, wake a waiter).
class Listener {
 public:
  virtual void begun(const Request&) {}
  // The snapshot is new; namesLoaded when the name list was read anew. midway: inside a request.
  virtual void published(const Snapshot&, bool /*namesLoaded*/, bool /*midway*/) {}
  virtual void answered(const Request&, const Outcome&) {}
  virtual void waiting(const Request&, int /*attempt*/) {}
  virtual void ended() {}

 protected:
  ~Listener() = default;
};

struct Options {
  // How often the worker takes its own look while no request waits; 0: only when asked.
  unsigned lookEveryMs = 0;
  // Reads go ahead where no lock file can be made (serve, show); writes follow writeRequiresLock.
  bool readsWithoutLock = false;
  bool writeRequiresLock = false;
  bool writeWithoutLock = false;
};

// What the settings' check finds wrong with one path, a bit each; the board's are shifted by
// BoardTroubleShift, and OneFileTrouble says both paths name one file.
enum PathTrouble : int {
  PathMissing = 1,     // nothing there, or a server that does not answer
  PathNotAFile = 2,    // a folder, a device or a pipe
  PathUnreadable = 4,  // a file that does not open for reading
};
constexpr int BoardTroubleShift = 4;
constexpr int OneFileTrouble = 1 << 8;
// An empty path has no trouble: its field asks for it at OK.
int pathTroubleOf(const char* path);
int checkPaths(const char* nameList, const char* board);

// Few: a front end posts one request per user action, and refreshes merge.
constexpr int QueueSize = 8;

class ShareWorker {
 public:
  ShareWorker(store::Share& share, Listener& listener, const Options& options = {});
  ~ShareWorker();
  ShareWorker(const ShareWorker&) = delete;
  ShareWorker& operator=(const ShareWorker&) = delete;

  bool start();
  // Queues a request (before start too); its id is written back. A refresh behind another not yet begun merges with it
  // (the stronger kept); anything else waits its turn. False when the queue is full or stopping.
  bool post(Request& request);
  // Whether a request is queued or under way.
  bool busy() const;
  // Whether a write is queued or under way: a close then waits for it.
  bool writing() const;
  // No request is taken any more; the one under way and the queued writes go on until finishWithinMs
  // has passed, then the wait for a lock is cancelled and what is still queued is dropped (unsaved()).
  void stop(uint64_t finishWithinMs);
  // Whether the thread has ended (or never started).
  bool ended() const { return ended_.load(std::memory_order_acquire); }
  // Waits up to ms for the thread to end; true when it has. Joins it then.
  bool waitEnded(uint64_t ms);
  // Whether an access that may create or remove our lock file is under way, or our lock stands: the
  // process must not end now.
  bool lockInFlight() const { return inAccess_.load(std::memory_order_acquire); }
  // The writes a stop left unsaved: dropped from the queue, or given up while waiting.
  int unsaved(Request* out, int room) const;

  void snapshot(Snapshot& out) const;
  // A field or two of the snapshot without copying the board.
  uint64_t goodReadMs() const;
  WaitFacts lastWait() const;
  store::LockState answeredLockState() const;
  void takeAnsweredNames(NamesAnswer& out) const;
  // The waiting request stops at its next pause.
  void cancelWait();

 private:
  void run();
  bool take(Request& r);
  int serve(const Request& r, bool& namesLoaded);
  void publish(bool namesLoaded, bool midway, bool goodRead);
  void busyHeard(int attempt);
  static void onBusy(store::Share& share, int attempt);
  bool reloadMembers(int attempts);
  void noServer(bool withBeep);
  int tick(bool* namesLoaded, store::WhenLocked whenLocked);
  int writeMine(const Request& r);
  int readOtherNames(const char* path);
  int saveCsv(const char* path);
  int resetLockAndRead();
  int writeRow(const Request& r);
  void noteUnsaved(const Request& r);

  store::Share& share_;
  Listener& listener_;
  Options options_;
  std::thread thread_;

  mutable std::mutex guard_;
  std::condition_variable wake_;
  // Guarded: the queue, the state, the published snapshot and the answers.
  Request queue_[QueueSize];
  int queued_ = 0;
  bool running_ = false;
  Job runningJob_ = Job::none;
  bool stopping_ = false;
  bool started_ = false;
  uint64_t stopBy_ = 0;
  unsigned nextId_ = 0;
  Request unsaved_[QueueSize + 1];
  int unsavedCount_ = 0;
  Snapshot published_;
  store::LockState publishedLock_;
  WaitFacts publishedWait_ = {};
  NamesAnswer publishedNames_;
  std::atomic<bool> ended_{true};
  std::atomic<bool> inAccess_{false};

  // The worker thread's own.
  const Request* current_ = nullptr;
  bool listUtf8_ = false;
  uint64_t lastLookMs_ = 0;
  store::BoardImage before_;
  store::LockState waitLock_;
};

// The waits a stop may take for the writes queued: a write waits up to 20 attempts of a second for
// another PC's lock, so one close gives a queued 帰宅 a few seconds, not the whole wait.
constexpr uint64_t StopFinishMs = 4000;

}  // namespace worker
