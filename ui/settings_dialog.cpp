// Dialog 127: the two shared file paths and the refresh interval, edited in the live preferences.
#include "ui/settings_dialog.h"

#include <commdlg.h>

#include <cstdint>
#include <cstring>

#include "platform/files.h"
#include "platform/system_library.h"
#include "settings/preferences.h"
#include "store/board.h"
#include "store/names.h"
#include "text/bounded.h"
#include "ui/refresh_timer.h"
#include "ui/resources/resource.h"
#include "ui/session.h"
#include "ui/share_worker.h"
#include "ui/user_settings.h"

namespace ui {

namespace {

// Read back with this limit, so a longer path could not survive 設定 whole.
constexpr int PathLimit = 255;
constexpr int MaxMinutes = 60;

// Pairs of description and pattern, ending with an empty pair.
const char NameListFilter[] = "名前リストファイル {*.lst}\0*.lst\0すべてのﾌｧｲﾙ {*.*}\0*.*\0";
const char BoardFilter[] = "ボード内容ファイル {*.lst}\0*.lst\0すべてのﾌｧｲﾙ {*.*}\0*.*\0";

// The interval field's number as stored: its low 16 bits as a signed number, negative as 0, above 60 as 60.
int intervalFromField(UINT typed) {
  int minutes = static_cast<int16_t>(typed & 0xFFFF);
  if (minutes < 0) return 0;
  return minutes > MaxMinutes ? MaxMinutes : minutes;
}

enum class Chosen { file, nothing, tooLong };
enum class FileKind { nameList, board };

// The open-file dialog for one of the shared files; a confirmed path that fits goes into target.
Chosen chooseFile(char (&target)[settings::PathSize], HWND owner, FileKind which) {
  char file[260] = "*.lst";
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = which == FileKind::nameList ? NameListFilter : BoardFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.Flags = OFN_FILEMUSTEXIST;
  ofn.lpstrDefExt = "lst";
  static const auto open = platform::systemFunction<decltype(&GetOpenFileNameA)>("comdlg32.dll", "GetOpenFileNameA");
  if (!open || !open(&ofn)) return Chosen::nothing;
  size_t length = strnlen(file, sizeof file);
  if (length >= static_cast<size_t>(PathLimit)) return Chosen::tooLong;
  std::memset(target, 0, sizeof target);
  std::memcpy(target, file, length);
  return Chosen::file;
}

void showPath(HWND dialog, int id, const char (&field)[settings::PathSize]) {
  char path[settings::PathSize + 1];
  settings::pathText(field, path);
  SetDlgItemTextA(dialog, id, path);
}

// My name is chosen from the members of the name list as loaded; without one (the first start) the
// choice waits for the next visit.
void showOwnNames(HWND dialog) {
  HWND combo = GetDlgItem(dialog, IDC_OWN_NAME);
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("（なし）"));
  char saved[store::NameSize];
  savedOwnName(saved);
  int chosen = 0;
  for (int slot = 0; slot < boardView().memberCount; ++slot) {
    char name[store::NameSize + 1];
    text::copyField(name, sizeof name, boardView().displayNames[slot], store::NameSize);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    if (!chosen && saved[0] && std::strcmp(name, saved) == 0) chosen = slot + 1;
  }
  SendMessageA(combo, CB_SETCURSEL, chosen, 0);
  EnableWindow(combo, boardView().memberCount > 0);
}

// Kept at once in tavelin.ini: the record's 550 bytes have no room for it.
void storeOwnName(HWND dialog) {
  if (boardView().memberCount == 0) return;
  const LRESULT chosen = SendDlgItemMessageA(dialog, IDC_OWN_NAME, CB_GETCURSEL, 0, 0);
  char name[store::NameSize + 1] = "";
  if (chosen > 0 && chosen <= boardView().memberCount)
    text::copyField(name, sizeof name, boardView().displayNames[chosen - 1], store::NameSize);
  saveOwnName(name);
}

// Older PCs cut the lock's folder at the last '\\' only: a '/' in a path would have them lock another
// folder than this PC, and neither would keep the other out. So a path field holds '\\' alone,
// whether its '/' was loaded, typed or pasted, and the note says so.
void keepBackslashesOnly(HWND dialog, int id) {
  HWND field = GetDlgItem(dialog, id);
  char path[1024];
  if (GetWindowTextLengthA(field) >= static_cast<int>(sizeof path)) return;
  GetWindowTextA(field, path, sizeof path);
  if (!text::toBackslashes(path, sizeof path)) return;
  DWORD start = 0, end = 0;
  SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  SetWindowTextA(field, path);
  SendMessageA(field, EM_SETSEL, start, end);
  SetDlgItemTextA(dialog, IDC_SETTINGS_NOTE,
                  "パスの「/」は「\\」に直しました。どのPCも同じ排他ファイルを使うためです。");
}

// lParam: the main window whose refresh timer follows the interval; none in the first-run flow.
BOOL onInitDialog(HWND dialog, LPARAM mainWindow) {
  SetWindowLongPtrA(dialog, DWLP_USER, mainWindow);
  showPath(dialog, IDC_NAME_LIST_PATH, local().prefs.nameListPath);
  showPath(dialog, IDC_BOARD_PATH, local().prefs.boardPath);
  SetDlgItemInt(dialog, IDC_INTERVAL, static_cast<UINT>(local().prefs.refreshMinutes.get()), FALSE);
  showOwnNames(dialog);
  keepBackslashesOnly(dialog, IDC_NAME_LIST_PATH);
  keepBackslashesOnly(dialog, IDC_BOARD_PATH);
  return TRUE;
}

// The timer follows at once while the window runs; in the first-run flow there is no window yet.
void applyInterval(HWND dialog, int minutes) {
  local().prefs.refreshMinutes.set(minutes);
  HWND mainWindow = reinterpret_cast<HWND>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (mainWindow) followRefreshInterval(mainWindow, minutes);
}

// One file as both would have the first row write replace the name list with a board image.
bool namesBothFiles(HWND dialog) {
  char names[settings::PathSize] = {}, board[settings::PathSize] = {};
  GetDlgItemTextA(dialog, IDC_NAME_LIST_PATH, names, PathLimit);
  GetDlgItemTextA(dialog, IDC_BOARD_PATH, board, PathLimit);
  return names[0] != '\0' && files::sameFile(names, board);
}

void onSet(HWND dialog) {
  if (namesBothFiles(dialog)) {
    MessageBeep(0);
    SetDlgItemTextA(dialog, IDC_SETTINGS_NOTE, "名前リストとボード内容に同じファイルは指定できません。");
    return;
  }
  GetDlgItemTextA(dialog, IDC_NAME_LIST_PATH, local().prefs.nameListPath, PathLimit);
  GetDlgItemTextA(dialog, IDC_BOARD_PATH, local().prefs.boardPath, PathLimit);
  text::toBackslashes(local().prefs.nameListPath, sizeof local().prefs.nameListPath);
  text::toBackslashes(local().prefs.boardPath, sizeof local().prefs.boardPath);
  sharePathsFromPrefs();
  applyInterval(dialog, intervalFromField(GetDlgItemInt(dialog, IDC_INTERVAL, nullptr, FALSE)));
  storeOwnName(dialog);
  EndDialog(dialog, 1);
}

// The field is reloaded from the preferences whatever the outcome, so it always shows what is stored.
void onBrowse(HWND dialog, int fieldId, char (&target)[settings::PathSize], FileKind which) {
  Chosen chosen = chooseFile(target, dialog, which);
  sharePathsFromPrefs();
  showPath(dialog, fieldId, target);
  if (chosen == Chosen::tooLong) {
    MessageBeep(0);
    SetDlgItemTextA(dialog, IDC_SETTINGS_NOTE,
                    "選んだファイルのパスが長すぎます（254バイトまで）。設定は変わっていません。");
  } else if (chosen == Chosen::file) {
    SetDlgItemTextA(dialog, IDC_SETTINGS_NOTE, "");
  }
}

INT_PTR onCommand(HWND dialog, int id, int code) {
  switch (id) {
    case IDOK: onSet(dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, 0); return TRUE;
    case IDC_BROWSE_NAME_LIST:
      onBrowse(dialog, IDC_NAME_LIST_PATH, local().prefs.nameListPath, FileKind::nameList);
      return TRUE;
    case IDC_BROWSE_BOARD: onBrowse(dialog, IDC_BOARD_PATH, local().prefs.boardPath, FileKind::board); return TRUE;
    case IDC_NAME_LIST_PATH:
    case IDC_BOARD_PATH:
      if (code != EN_CHANGE) return FALSE;
      keepBackslashesOnly(dialog, id);
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return onInitDialog(dialog, lParam);
    case WM_COMMAND: return onCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    default: return FALSE;
  }
}

}  // namespace ui
