#pragma once
// The window's side of the share worker (worker/share_worker.h): the one thread that owns ui::share().
// Its answers come to the window's thread as messages, so a share that stops answering holds the
// worker and never the window. What the window shows is its own copy (boardView()), taken from the
// worker's snapshot when the window handles WM_APP_PUBLISHED.
#include <windows.h>

#include "store/lock.h"
#include "ui/board_view.h"
#include "worker/share_worker.h"

namespace ui {

// Posted to the main window: the worker published the board after an access (wParam 1 when the
// name list was loaded anew); the board view is taken when the window handles it.
constexpr UINT WM_APP_PUBLISHED = WM_APP + 10;
// Posted to a request's replyTo after WM_APP_PUBLISHED: wParam the request's kind, lParam its outcome;
// answeredMessage() has what it said.
constexpr UINT WM_APP_ANSWER = WM_APP + 11;
// Posted to the main window when the worker begins a request.
constexpr UINT WM_APP_BUSY = WM_APP + 13;
// Posted to the main window when the worker has ended.
constexpr UINT WM_APP_WORKER_ENDED = WM_APP + 12;
// Posted to the main window, and to the request's replyTo, after each attempt that found another
// PC's lock: wParam the attempt's number; lastWait() has the rest.
constexpr UINT WM_APP_WAITING = WM_APP + 14;
// Posted to a names request's replyTo: lParam 1 when the list named was read (takeAnsweredNames()).
constexpr UINT WM_APP_NAMES = WM_APP + 15;
// Posted to a checkPaths request's replyTo: lParam what is wrong with the two paths (worker::PathTrouble).
constexpr UINT WM_APP_PATHS_CHECKED = WM_APP + 16;

using Job = worker::Job;
using Request = worker::Request;
using WaitFacts = worker::WaitFacts;
using NamesAnswer = worker::NamesAnswer;

// The board the worker published last, into boardView(): the window's WM_APP_PUBLISHED.
void takePublished();

// Starts the thread, answering to mainWindow (none in the first-run flow). False when it could not
// be started. From then on ui::share() is the worker's alone.
bool startShareWorker(HWND mainWindow);
// Queues a request, replyTo a window or none. False when the queue is full or the worker is stopping.
bool postRequest(const Request& request);
// Whether a request is queued or under way.
bool shareBusy();
// Whether a write is queued or under way: a close gives it StopFinishMs.
bool shareWriting();
constexpr DWORD StopFinishMs = worker::StopFinishMs;
// No request is taken any more: the one under way and the queued writes go on for StopFinishMs, then
// what is left is given up (unsavedWrites()).
void stopShareWorker();
// Whether the worker has ended (or never started).
bool shareWorkerEnded();
// Ends the process now: once no lock file of ours is being created or removed, every one we made is
// deleted first. For a close whose worker is stuck in a file call.
[[noreturn]] void endWithoutWorker(UINT code);
// How long a close waits for the worker before it ends the process without it.
constexpr DWORD StopWaitMs = 1500;
// Waits for the worker to end, at most ms from its stop.
void waitForShareWorker(DWORD ms);
// The writes a stop gave up: their texts, for the member to be told. How many, up to room.
int unsavedWrites(Request* out, int room);
// The lock state the last lockState request read.
store::LockState answeredLockState();
// What the last answered request of this kind said on the status line ("" when nothing).
void answeredMessage(Job job, char* out, size_t size);

WaitFacts lastWait();
// The waiting request stops at its next pause (a quarter of a second), with a message, not a beep.
void cancelShareWait();
// Copied out under the worker's guard.
void takeAnsweredNames(NamesAnswer& out);

// The two paths for the share, and whether saves may go where no lock file can be made: into it before the worker
// starts, as a request after (sharePathsFromPrefs).
void sharePaths(const char (&nameListPath)[store::SharePathSize], const char (&boardPath)[store::SharePathSize],
                bool writeWithoutLock);

}  // namespace ui
