#pragma once
// One access to the share at a time. The waits inside an access dispatch the window's messages, so a
// handler can run while an access is under way; it asks here before it starts one of its own.
#include <windows.h>

namespace ui {

// Whether an access to the share is under way.
bool boardBusy();

// Marks an access for its lifetime. started() is false when another one is under way: the scope must
// then leave the share alone. Meanwhile the toolbar's list update is greyed.
class BoardAccess {
 public:
  explicit BoardAccess(HWND mainWindow);
  ~BoardAccess();
  BoardAccess(const BoardAccess&) = delete;
  BoardAccess& operator=(const BoardAccess&) = delete;
  bool started() const { return started_; }

 private:
  HWND window_;
  bool started_;
};

// A close asked for during an access: the window goes out of sight now and closes when the access is
// over, so the access never runs on with its windows gone.
void closeAfterAccess(HWND mainWindow);

// A command that would start an access, or a dialog, while one is under way: not now.
void holdOff();

}  // namespace ui
