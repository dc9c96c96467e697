// The core's status line is the status bar's part 0; with no status bar the text has nowhere to go.
#include <windows.h>

#include <commctrl.h>

#include "platform/status.h"
#include "ui/member_list.h"

namespace status {

void showStatus(const char* text) {
  if (!ui::statusBar) return;
  SendMessageA(ui::statusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text));
}

void beep() { MessageBeep(0); }

bool showsBoardTime() { return ui::statusBar != nullptr; }

}  // namespace status
