#include "ui/commands.h"

#include "store/access.h"
#include "ui/member_list.h"
#include "ui/resources/resource.h"

namespace ui {

namespace {

// The paint that follows copies the new image into the list.
void updateList(HWND window) {
  store::refreshBoard();
  InvalidateRect(window, nullptr, TRUE);
}

// The window stays until the process ends; the shutdown after the loop saves everything.
void exitProgram() {
  saveColumnWidths();
  PostQuitMessage(0);
}

}  // namespace

void onCommand(HWND window, int id) {
  switch (id) {
    case IDM_UPDATE_LIST: updateList(window); break;
    case IDM_EXIT: exitProgram(); break;
    default: break;
  }
}

}  // namespace ui
