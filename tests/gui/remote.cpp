#include "tests/gui/remote.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "version.h"

namespace gui {

namespace {

constexpr DWORD CallTimeoutMs = 5000;

LRESULT call(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, CallTimeoutMs, &result)) return -1;
  return static_cast<LRESULT>(result);
}

// Memory in the target process, freed when the call is done.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size)
      : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  char* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
  bool write(size_t offset, const void* data, size_t size) const {
    return address_ && WriteProcessMemory(process_, at(offset), data, size, nullptr);
  }
  bool read(size_t offset, void* data, size_t size) const {
    return address_ && ReadProcessMemory(process_, at(offset), data, size, nullptr);
  }
  LPARAM param() const { return reinterpret_cast<LPARAM>(address_); }

 private:
  HANDLE process_;
  void* address_;
};

constexpr size_t TextRoom = 1024;

}  // namespace

Program::~Program() {
  if (info_.hProcess) {
    // TerminateProcess only starts the end: the next case must not find this copy's window.
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
}

bool Program::start(const std::string& exe, const std::string& directory) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::vector<char> line(exe.begin(), exe.end());
  line.push_back('\0');
  return CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &startup,
                        &info_) != 0;
}

bool Program::waitExit(DWORD ms, DWORD* code) {
  if (WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) return false;
  if (code) GetExitCodeProcess(info_.hProcess, code);
  return true;
}

HWND child(HWND parent, const char* className) { return FindWindowExA(parent, nullptr, className, nullptr); }

HWND waitForMainWindow(const Program& program, DWORD ms) { return waitForMainWindow(program.id(), ms); }

HWND waitForMainWindow(DWORD processId, DWORD ms) {
  HWND found = nullptr;
  waitFor(
      [&] {
        HWND w = FindWindowA("Tavelin", TAVELIN_TITLE);
        DWORD pid = 0;
        if (w) GetWindowThreadProcessId(w, &pid);
        // Visible and answering: WinMain is past creation and into the loop.
        if (!w || (processId && pid != processId) || !IsWindowVisible(w)) return false;
        DWORD_PTR r;
        if (!SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &r)) return false;
        found = w;
        return true;
      },
      ms);
  return found;
}

LRESULT ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) { return call(window, message, wParam, lParam); }

int itemCount(HWND list) { return static_cast<int>(call(list, LVM_GETITEMCOUNT, 0, 0)); }

int columnCount(HWND list) {
  HWND header = reinterpret_cast<HWND>(call(list, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(call(header, HDM_GETITEMCOUNT, 0, 0)) : -1;
}

std::string itemText(HANDLE process, HWND list, int item, int subitem) {
  RemoteBuffer remote(process, sizeof(LVITEMA) + TextRoom);
  LVITEMA request = {};
  request.mask = LVIF_TEXT;
  request.iItem = item;
  request.iSubItem = subitem;
  request.pszText = remote.at(sizeof(LVITEMA));
  request.cchTextMax = TextRoom;
  char text[TextRoom + 1] = {};
  if (!remote.write(0, &request, sizeof request)) return "<no remote memory>";
  call(list, LVM_GETITEMTEXTA, item, remote.param());
  remote.read(sizeof(LVITEMA), text, TextRoom);
  return text;
}

std::string statusText(HANDLE process, HWND bar, int part) {
  // The length answer may count characters, not bytes; double it to be sure the text fits.
  RemoteBuffer remote(process, TextRoom);
  LRESULT length = LOWORD(call(bar, SB_GETTEXTLENGTHA, part, 0));
  if (length * 2 >= static_cast<LRESULT>(TextRoom)) return "<too long>";
  char text[TextRoom + 1] = {};
  std::vector<char> zeros(TextRoom, 0);
  remote.write(0, zeros.data(), TextRoom);
  call(bar, SB_GETTEXTA, part, remote.param());
  remote.read(0, text, TextRoom);
  return text;
}

LRESULT callWithBuffer(HANDLE process, HWND window, UINT message, WPARAM wParam, void* data, size_t size) {
  RemoteBuffer remote(process, size);
  if (!remote.write(0, data, size)) return -1;
  const LRESULT answer = call(window, message, wParam, remote.param());
  return remote.read(0, data, size) ? answer : -1;
}

std::vector<int> columnOrder(HANDLE process, HWND list) {
  std::vector<int> order(static_cast<size_t>(columnCount(list) > 0 ? columnCount(list) : 0));
  if (order.empty() || callWithBuffer(process, list, LVM_GETCOLUMNORDERARRAY, order.size(), order.data(),
                                      order.size() * sizeof(int)) <= 0)
    return {};
  return order;
}

bool setColumnOrder(HANDLE process, HWND list, const std::vector<int>& order) {
  std::vector<int> copy = order;
  return callWithBuffer(process, list, LVM_SETCOLUMNORDERARRAY, copy.size(), copy.data(), copy.size() * sizeof(int)) >
         0;
}

int columnWidth(HWND list, int column) { return static_cast<int>(call(list, LVM_GETCOLUMNWIDTH, column, 0)); }

std::vector<int> statusParts(HANDLE process, HWND bar) {
  int edges[8] = {};
  const LRESULT count = callWithBuffer(process, bar, SB_GETPARTS, 8, edges, sizeof edges);
  if (count <= 0 || count > 8) return {};
  return std::vector<int>(edges, edges + count);
}

bool itemRect(HANDLE process, HWND list, int item, RECT* r) {
  *r = {};
  r->left = LVIR_BOUNDS;
  return callWithBuffer(process, list, LVM_GETITEMRECT, item, r, sizeof *r) > 0;
}

UINT itemState(HWND list, int item, UINT mask) { return static_cast<UINT>(call(list, LVM_GETITEMSTATE, item, mask)); }

bool toolbarButtonRect(HANDLE process, HWND toolbar, int command, RECT* r) {
  *r = {};
  return callWithBuffer(process, toolbar, TB_GETRECT, command, r, sizeof *r) > 0;
}

bool clickToolbarButton(HANDLE process, HWND toolbar, int command) {
  RECT r;
  if (!toolbarButtonRect(process, toolbar, command, &r)) return false;
  LPARAM point = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageA(toolbar, WM_MOUSEMOVE, 0, point);
  PostMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageA(toolbar, WM_LBUTTONUP, 0, point);
  return true;
}

bool itemScreenPoint(HANDLE process, HWND list, int item, POINT* point) {
  RemoteBuffer remote(process, sizeof(RECT));
  RECT r = {};
  r.left = LVIR_LABEL;
  if (!remote.write(0, &r, sizeof r) || !call(list, LVM_GETITEMRECT, item, remote.param())) return false;
  if (!remote.read(0, &r, sizeof r)) return false;
  point->x = (r.left + r.right) / 2;
  point->y = (r.top + r.bottom) / 2;
  return ClientToScreen(list, point) != 0;
}

bool setItemState(HANDLE process, HWND list, int item, UINT state) {
  RemoteBuffer remote(process, sizeof(LVITEMA));
  LVITEMA request = {};
  request.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  request.state = state;
  return remote.write(0, &request, sizeof request) && call(list, LVM_SETITEMSTATE, item, remote.param()) == TRUE;
}

bool focusItem(HANDLE process, HWND list, int item) {
  return setItemState(process, list, item, LVIS_SELECTED | LVIS_FOCUSED);
}

HWND waitForDialog(DWORD processId, const char* caption, DWORD ms) {
  HWND found = nullptr;
  waitFor(
      [&] {
        HWND w = nullptr;
        while ((w = FindWindowExA(nullptr, w, "#32770", caption)) != nullptr) {
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          if ((processId == 0 || pid == processId) && IsWindowVisible(w)) {
            found = w;
            return true;
          }
        }
        return false;
      },
      ms);
  return found;
}

std::string windowText(HWND window) {
  char text[TextRoom + 1] = {};
  DWORD_PTR r;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, TextRoom, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                           CallTimeoutMs, &r))
    return "<no answer>";
  return text;
}

std::string unwrappedText(HWND window) {
  std::string text = windowText(window);
  text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
  return text;
}

bool setWindowText(HWND window, const char* text) {
  DWORD_PTR r;
  return SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, CallTimeoutMs,
                             &r) != 0;
}

// Combo box messages are below WM_USER, so the system carries their texts across processes itself.
std::vector<std::string> comboItems(HWND combo) {
  std::vector<std::string> items;
  LRESULT count = call(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = call(combo, CB_GETLBTEXTLEN, i, 0);
    if (length < 0 || length * 2 >= static_cast<LRESULT>(TextRoom)) {
      items.push_back("<too long>");
      continue;
    }
    // Under Wine the ANSI form comes back in UTF-16 across processes; asking for UTF-16 is right everywhere.
    wchar_t wide[TextRoom + 1] = {};
    DWORD_PTR r;
    SendMessageTimeoutW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, CallTimeoutMs, &r);
    char text[TextRoom * 2 + 1] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text - 1, nullptr, nullptr);
    items.push_back(text);
  }
  return items;
}

int comboSelect(HWND combo, int index) { return static_cast<int>(call(combo, CB_SETCURSEL, index, 0)); }

bool sendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD ms) {
  DWORD_PTR r;
  return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, ms, &r) != 0;
}

bool cellScreenRect(HANDLE process, HWND list, int item, int subitem, RECT* r) {
  *r = {};
  r->top = subitem;
  r->left = LVIR_LABEL;
  if (callWithBuffer(process, list, LVM_GETSUBITEMRECT, item, r, sizeof *r) <= 0) return false;
  POINT corners[2] = {{r->left, r->top}, {r->right, r->bottom}};
  MapWindowPoints(list, nullptr, corners, 2);
  *r = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  return true;
}

std::vector<COLORREF> screenPixels(const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  std::vector<COLORREF> colours;
  if (w <= 0 || h <= 0) return colours;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = w;
  info.biHeight = -h;  // top-down
  info.biPlanes = 1;
  info.biBitCount = 32;
  std::vector<DWORD> pixels(static_cast<size_t>(w) * h);
  GetDIBits(memory, bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  for (DWORD p : pixels) colours.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  return colours;
}

bool saveScreen(const std::string& path) {
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = w;
  info.biHeight = h;
  info.biPlanes = 1;
  info.biBitCount = 24;
  int row = ((w * 3 + 3) / 4) * 4;
  std::vector<unsigned char> pixels(static_cast<size_t>(row) * h);
  GetDIBits(memory, bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(&file, sizeof file, 1, f) == 1 && std::fwrite(&info, sizeof info, 1, f) == 1 &&
            std::fwrite(pixels.data(), pixels.size(), 1, f) == 1;
  return std::fclose(f) == 0 && ok;
}

}  // namespace gui
