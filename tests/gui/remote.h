#pragma once
// Acting on a running tavelin.exe from another process, as a user's tools would: windows found by
// class and title, control texts read through a buffer placed in the program's own address space.
#include <windows.h>

#include <string>
#include <vector>

namespace gui {

// A started program; a still-running one is ended when the case leaves.
class Program {
 public:
  Program() = default;
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  bool start(const std::string& exe, const std::string& directory);
  // Waits for the process to end; false on time-out.
  bool waitExit(DWORD ms, DWORD* code = nullptr);
  HANDLE process() const { return info_.hProcess; }
  DWORD id() const { return info_.dwProcessId; }
  DWORD threadId() const { return info_.dwThreadId; }

 private:
  PROCESS_INFORMATION info_ = {};
};

// The program's main window once its message loop answers; nullptr on time-out.
HWND waitForMainWindow(const Program& program, DWORD ms);
// The same for a copy started by someone else (processId 0: any).
HWND waitForMainWindow(DWORD processId, DWORD ms);
HWND child(HWND parent, const char* className);

// A message that carries no pointer, sent with a time-out; -1 when the window did not answer.
LRESULT ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int itemCount(HWND list);
int columnCount(HWND list);
std::string itemText(HANDLE process, HWND list, int item, int subitem);
std::string statusText(HANDLE process, HWND bar, int part);
// The toolbar button with the command id pressed by a mouse click on it.
bool clickToolbarButton(HANDLE process, HWND toolbar, int command);

// A message whose lParam points to a buffer of size bytes: data is copied into the program's memory
// first and back out after, so messages that fill a structure work across processes. The answer, or -1.
LRESULT callWithBuffer(HANDLE process, HWND window, UINT message, WPARAM wParam, void* data, size_t size);
// The list's columns left to right, as column indexes; empty when the list gives none.
std::vector<int> columnOrder(HANDLE process, HWND list);
bool setColumnOrder(HANDLE process, HWND list, const std::vector<int>& order);
int columnWidth(HWND list, int column);
// The right edges of the status bar's parts (-1: to the end).
std::vector<int> statusParts(HANDLE process, HWND bar);
bool itemRect(HANDLE process, HWND list, int item, RECT* r);
// LVIS_SELECTED, LVIS_FOCUSED, ... of a row.
UINT itemState(HWND list, int item, UINT mask);
bool toolbarButtonRect(HANDLE process, HWND toolbar, int command, RECT* r);

// The screen point in the middle of a row's label.
bool itemScreenPoint(HANDLE process, HWND list, int item, POINT* point);
// Sets a row's selected and focused states to those in state (LVIS_SELECTED, LVIS_FOCUSED).
bool setItemState(HANDLE process, HWND list, int item, UINT state);
// Selects and focuses one row, as clicking it would.
bool focusItem(HANDLE process, HWND list, int item);
// A visible dialog (class #32770) of the process with this caption; nullptr on time-out.
HWND waitForDialog(DWORD processId, const char* caption, DWORD ms);
// A window's text through WM_GETTEXT, which crosses processes (GetWindowTextA does not for controls).
std::string windowText(HWND window);
// A wrapped text's words without the line breaks the program put in to fit them.
std::string unwrappedText(HWND window);
bool setWindowText(HWND window, const char* text);
std::vector<std::string> comboItems(HWND combo);
int comboSelect(HWND combo, int index);
// A message sent with a time-out; false when the window did not answer in time.
bool sendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD ms);

// Polls cond every 50 ms until it holds or ms have passed.
template <typename Cond>
bool waitFor(Cond cond, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (cond()) return true;
    if (GetTickCount() - start > ms) return false;
    Sleep(50);
  }
}

// A cell's text rectangle (LVM_GETSUBITEMRECT, the icon left out) on the screen.
bool cellScreenRect(HANDLE process, HWND list, int item, int subitem, RECT* r);
// The colours of a rectangle of the screen, row by row.
std::vector<COLORREF> screenPixels(const RECT& r);

// The whole screen into a 24-bit BMP file.
bool saveScreen(const std::string& path);

}  // namespace gui
