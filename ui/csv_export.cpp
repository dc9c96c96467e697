#include "ui/csv_export.h"

#include <commdlg.h>

#include <cstdio>
#include <ctime>

#include "platform/system.h"
#include "platform/system_library.h"
#include "ui/dialog_place.h"
#include "ui/share_worker.h"

namespace ui {

namespace {

// The user's Documents folder (shell32 is found when first wanted, never linked); empty when unknown.
void documentsFolder(char (&out)[MAX_PATH]) {
  out[0] = '\0';
  using FolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
  static const auto folderPath = platform::systemFunction<FolderPath>("shell32.dll", "SHGetFolderPathA");
  constexpr int Personal = 0x0005;  // CSIDL_PERSONAL: Documents
  if (!folderPath || folderPath(nullptr, Personal, nullptr, 0, out) != S_OK) out[0] = '\0';
}

// The dialog laid out at last (its own size settled): centred on the window then.
UINT_PTR CALLBACK centreWhenLaidOut(HWND child, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE)
    centreDialog(GetParent(child));
  return 0;
}

// A name with today's date, in Documents: never the share, where the board and its lock live.
bool chooseCsvPath(HWND owner, char (&path)[MAX_PATH]) {
  static char documents[MAX_PATH];
  if (!documents[0]) documentsFolder(documents);
  std::tm now = {};
  platform::localNow(&now);
  std::snprintf(path, sizeof path, "tavelin-%04d%02d%02d.csv", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = "CSV ファイル (*.csv)\0*.csv\0すべてのファイル (*.*)\0*.*\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  ofn.lpstrTitle = "CSV で保存";
  ofn.lpstrDefExt = "csv";
  ofn.lpstrInitialDir = documents[0] ? documents : nullptr;
  // The current folder stays where the program started: its records may live there.
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_EXPLORER |
              OFN_ENABLEHOOK | OFN_ENABLESIZING;
  ofn.lpfnHook = centreWhenLaidOut;
  static const auto save = platform::systemFunction<decltype(&GetSaveFileNameA)>("comdlg32.dll", "GetSaveFileNameA");
  return save && save(&ofn) != 0;
}

}  // namespace

// The worker reads the board first, so the file holds what the share holds now, and says how it went.
void exportCsv(HWND window) {
  Request csv;
  csv.job = Job::csv;
  if (!chooseCsvPath(window, csv.path)) return;
  if (!postRequest(csv)) MessageBeep(0);
}

}  // namespace ui
