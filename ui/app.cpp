// Process start-up, the message loop and shutdown.
#include <windows.h>
// commctrl.h needs the types windows.h declares.
#include <commctrl.h>

#include <cstring>

#include "settings/history.h"
#include "settings/preferences.h"
#include "store/share.h"
#include "ui/commands.h"
#include "ui/first_run.h"
#include "ui/identity.h"
#include "ui/main_window.h"
#include "ui/resources/resource.h"
#include "ui/session.h"
#include "ui/share_paths.h"
#include "ui/share_worker.h"
#include "ui/user_settings.h"

namespace ui {

namespace {

// A copy whose window is out of sight is closing (it finishes an access first) or not shown yet: give
// it a minute to go or to show itself. One that goes is waited for to the end of its process, since it
// saves its preferences after its window is gone; read before then, they would be its old ones, and
// this copy's reading could make its save fail.
HWND runningCopy() {
  const DWORD start = GetTickCount();
  HWND running = FindWindowA(ClassName, Title);
  DWORD id = 0;
  if (running) GetWindowThreadProcessId(running, &id);
  HANDLE process = id ? OpenProcess(SYNCHRONIZE, FALSE, id) : nullptr;
  while (running && !IsWindowVisible(running) && GetTickCount() - start < 60000) {
    Sleep(100);
    running = FindWindowA(ClassName, Title);
  }
  if (process) {
    const DWORD spent = GetTickCount() - start;
    if (!running) WaitForSingleObject(process, spent < 60000 ? 60000 - spent : 0);
    CloseHandle(process);
  }
  return running;
}

// A copy already running on this desktop takes over; a minimised one is restored so it is seen.
bool handOverToRunningCopy() {
  HWND running = runningCopy();
  if (!running) return false;
  if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
  SetForegroundWindow(running);
  return true;
}

// GetMessageA answers -1 on a broken call; that ends the loop rather than spinning on it. The main
// window's keys (F5, Ctrl+1 ...) become its commands wherever its focus is.
int runMessageLoop(HWND window) {
  HACCEL keys = createAccelerators();
  MSG msg;
  BOOL got;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) break;
    if (keys && TranslateAcceleratorA(window, keys, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (keys) DestroyAcceleratorTable(keys);
  return got == -1 ? 0 : static_cast<int>(msg.wParam);
}

}  // namespace

int run(HINSTANCE hInstance, int showCommand) {
  if (handOverToRunningCopy()) return 0;
  settings::initLocalPaths(local());
  settings::loadPreferences(local());
  settings::loadHistory(history(), local());
  sharePathsFromPrefs(nullptr);
  instance = hInstance;
  InitCommonControls();

  int code = 0;
  // A first start shows only the settings: no main window, no name list, no board access.
  if (local().needsSetup) {
    runFirstRunFlow();
  } else {
    HWND window = createMainWindow();
    if (!window) return 0;  // nothing saved
    // Closed maximised, it opens maximised, unless it was started minimised or hidden.
    const bool normal = showCommand == SW_SHOWNORMAL || showCommand == SW_SHOWDEFAULT || showCommand == SW_SHOW;
    ShowWindow(window, normal && savedMaximized() ? SW_SHOWMAXIMIZED : showCommand);
    // Shown active, it has given its list the focus already: a second SetFocus would take it away and
    // back (four focus changes and their input-method messages, a sixth of the start's requests to the
    // window server under Wine). Shown without activation, it takes the focus here.
    const HWND focus = GetFocus();
    if (focus != window && !IsChild(window, focus)) SetFocus(window);
    code = runMessageLoop(window);
  }
  // However the loop ended (a close, the settings' restart, a quit), the worker finishes the request
  // it is in and the writes queued, within the stop's time.
  const bool writing = shareWriting();
  stopShareWorker();
  settings::savePreferences(local());
  settings::saveHistory(history(), local());
  // One still in a file call may hold the C runtime's lock of its stream, which the runtime's own exit
  // would wait for: the records are saved, so the process ends without it, and without a lock of ours.
  waitForShareWorker(writing ? StopFinishMs + StopWaitMs : StopWaitMs);
  if (!shareWorkerEnded()) endWithoutWorker(static_cast<UINT>(code));
  return code;
}

}  // namespace ui

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) { return ui::run(instance, showCommand); }
