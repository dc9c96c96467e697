// Process start-up, the message loop and shutdown.
#include "ui/app.h"

#include <winsock2.h>  // before windows.h, which would bring the old winsock.h

#include <cstdlib>
#include <ctime>

#include "settings/history.h"
#include "settings/preferences.h"
#include "ui/placement.h"
#include "ui/resources/resource.h"
#include "ui/toolbar.h"

namespace ui {

HINSTANCE instance;
HWND mainWindow;
HWND toolbar;
RECT windowRect;

void captureWindowRect(HWND window) {
  if (IsIconic(window) || IsZoomed(window)) return;
  GetWindowRect(window, &windowRect);
}

namespace {

// A copy already running on this desktop takes over; a minimised one is restored so it is seen.
bool handOverToRunningCopy() {
  HWND running = FindWindowA(ClassName, Title);
  if (!running) return false;
  if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
  SetForegroundWindow(running);
  return true;
}

bool registerMainClass() {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = mainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TAVELIN));
  wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TAVELIN));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN);
  wc.lpszClassName = ClassName;
  return RegisterClassExA(&wc) != 0;
}

HWND createMainWindow() {
  const settings::Preferences& p = settings::prefs;
  Box box = {p.windowX.get(), p.windowY.get(), p.windowX.get() + p.windowWidth.get(),
             p.windowY.get() + p.windowHeight.get()};
  box = placeOnAMonitor(box);
  // WS_CLIPCHILDREN: erasing the main window on every activation would otherwise wipe the list,
  // which then redraws all its rows (a flicker and a full list paint for nothing).
  return CreateWindowExA(0, ClassName, Title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, box.left, box.top,
                         box.right - box.left, box.bottom - box.top, nullptr, nullptr, instance, nullptr);
}

// GetMessageA answers -1 on a broken call; that ends the loop rather than spinning on it.
int runMessageLoop() {
  MSG msg;
  BOOL got;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) return 0;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

// A window that never had a restored rectangle leaves the loaded geometry as it was.
void storeGeometry() {
  if (windowRect.right <= windowRect.left || windowRect.bottom <= windowRect.top) return;
  settings::Preferences& p = settings::prefs;
  p.windowWidth.set(windowRect.right - windowRect.left);
  p.windowX.set(windowRect.left);
  p.windowHeight.set(windowRect.bottom - windowRect.top);
  p.windowY.set(windowRect.top);
}

}  // namespace

int run(HINSTANCE hInstance, int showCommand) {
  if (handOverToRunningCopy()) return 0;
  settings::initLocalPaths();
  settings::loadPreferences();
  settings::loadHistory();

  instance = hInstance;
  if (!registerMainClass()) return 0;
  mainWindow = createMainWindow();
  if (!mainWindow) return 0;
  toolbar = createToolbar(mainWindow);
  ShowWindow(mainWindow, showCommand);
  SetFocus(mainWindow);

  int code = runMessageLoop();
  storeGeometry();
  settings::savePreferences();
  settings::saveHistory();
  return code;
}

}  // namespace ui

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) { return ui::run(instance, showCommand); }
