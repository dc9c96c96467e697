// Both roads through the settings end the program, so the new settings take effect on the next start.
#include "ui/first_run.h"

#include "settings/preferences.h"
#include "ui/identity.h"
#include "ui/resources/resource.h"
#include "ui/session.h"
#include "ui/settings_dialog.h"
#include "ui/share_worker.h"
#include "ui/simple_dialog.h"

namespace ui {

namespace {

// The owner is also the parameter.
INT_PTR runDialog(int id, HWND owner, DLGPROC procedure) {
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(id), owner, procedure, reinterpret_cast<LPARAM>(owner));
}

}  // namespace

// Only a real 設定 counts; a dialog that failed to open (-1) leaves the setup pending.
void runFirstRunFlow() {
  // The settings read a name list named in them on the share's worker, as the window does.
  startShareWorker(nullptr);
  if (runSettingsDialog(nullptr) == 1) {
    local().needsSetup = false;
    runDialog(IDD_RESTART, nullptr, simpleDialogProc);
  }
}

void runSettingsCommand(HWND mainWindow) {
  runSettingsDialog(mainWindow);
  runDialog(IDD_RESTART, mainWindow, simpleDialogProc);
  DestroyWindow(mainWindow);
}

}  // namespace ui
