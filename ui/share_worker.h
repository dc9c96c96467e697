#pragma once
// The one thread that works on the share. From its start on, only it calls the core on ui::share():
// the window posts requests here and gets the answers as messages, so a share that stops answering
// holds this thread and never the window. What the window shows is its own copy (boardView()),
// brought up to date from the worker's after each access.
#include <windows.h>

#include "store/board.h"
#include "store/lock.h"
#include "store/row_copy.h"
#include "text/timestamps.h"

namespace ui {

// Posted to the main window: the worker published the board after an access (wParam 1 when the
// name list was loaded anew); the board view is taken when the window handles it.
constexpr UINT WM_APP_PUBLISHED = WM_APP + 10;
// Posted to a request's replyTo after WM_APP_PUBLISHED: wParam the request's kind, lParam its outcome.
constexpr UINT WM_APP_ANSWER = WM_APP + 11;
// Posted to the main window when the worker begins a request.
constexpr UINT WM_APP_BUSY = WM_APP + 13;
// Posted to the main window when the worker has ended.
constexpr UINT WM_APP_WORKER_ENDED = WM_APP + 12;
// Posted to the main window, and to the request's replyTo, after each attempt that found another
// PC's lock: wParam the attempt's number; lastWait() has the rest.
constexpr UINT WM_APP_WAITING = WM_APP + 14;
// Posted to a names request's replyTo: lParam 1 when the list named was read (answeredNames()).
constexpr UINT WM_APP_NAMES = WM_APP + 15;

// What the window shows: the board, its names and the time of its last good read, as of the last
// answer. Only the window's thread reads or writes it.
struct BoardView {
  store::BoardImage board;
  char displayNames[store::MaxMembers][store::NameSize];
  int memberCount;
  char statusInfoText[text::StatusInfoSize];
  bool lockBusy;      // the last access ended with another PC's lock still there
  bool namesMissing;  // the name list could not be opened
  bool namesUtf8;     // the list as loaded looks like UTF-8
  int namesIgnored;   // names of the list past the board's 300 rows
};
BoardView& boardView();
// The board the worker published last, into boardView(): the window's WM_APP_PUBLISHED.
void takePublished();

enum class Job {
  none,
  load,       // the first load: the name list with every attempt, then the board
  update,     // the list update: the name list again when it changed, then the board
  tick,       // the timer's quick look
  glance,     // the same look, asked for by the folder watch: a lock another PC holds is not named
  paths,      // the preferences' two paths into the share
  writeRow,   // the entry dialog's row, checked against seen
  writeMine,  // my row's state, the plans as the board has them
  lockState,  // the lock as it stands, for the reset's question
  resetLock,  // the administrator's forced removal, then the board
  csv,        // the board read, then saved as CSV
  names,      // a name list other than the share's read alone, for the settings' choice of my name
};

// A request with the few fields a job needs, copied in: nothing of the poster's is read later.
struct Request {
  Job job = Job::none;
  HWND replyTo = nullptr;  // gets WM_APP_ANSWER; none for nullptr
  int slot = -1;
  store::RowCopy row = {};
  store::RowCopy seen = {};
  char path[MAX_PATH] = {};       // the CSV file; the name list's field for paths
  char boardPath[MAX_PATH] = {};  // the board's field for paths
  bool writeWithoutLock = false;  // with the paths: saves go where no lock file can be made
};

// Starts the thread, answering to mainWindow. False when it could not be started.
bool startShareWorker(HWND mainWindow);
// Queues a request. A refresh behind another one not yet begun merges with it (the stronger kept);
// anything else waits its turn. False when the queue is full or the worker is stopping.
bool postRequest(const Request& request);
// Whether a request is queued or under way.
bool shareBusy();
// The queue is dropped and the worker ends after the request it is in.
void stopShareWorker();
// Whether the worker has ended (or never started).
bool shareWorkerEnded();
// Whether the worker holds the board's lock now: it must not be ended then.
bool workerHoldsLock();
// How long a close waits for a worker that holds no lock: the process ends within 2 s of it.
constexpr DWORD StopWaitMs = 1500;
// Waits for the worker to end: at most ms from its stop, and for as long as it holds the lock.
void waitForShareWorker(DWORD ms);
// The lock state the last lockState request read.
store::LockState answeredLockState();

// The lock a request waits for: its holder, the attempt and how old the lock file is.
struct WaitFacts {
  char holder[store::HolderSize];
  int attempt;
  bool aged;
  long long ageSeconds;
};
WaitFacts lastWait();
// The waiting request stops at its next pause (a quarter of a second), with a message, not a beep.
void cancelShareWait();

// The names a names request read: the list's display names and how many.
struct NamesAnswer {
  char names[store::MaxMembers][store::NameSize];
  int count;
};
// Copied out under the worker's guard.
void takeAnsweredNames(NamesAnswer& out);

// The preferences' two paths copied into the share: at start, and whenever the settings change them.
void sharePathsFromPrefs();

}  // namespace ui
