// Dialog 127: the two shared file paths and the refresh interval, edited in the live preferences.
#include "ui/settings_dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/system_library.h"
#include "settings/preferences.h"
#include "store/board.h"
#include "store/lock.h"
#include "store/names.h"
#include "text/bounded.h"
#include "ui/dialog_place.h"
#include "ui/identity.h"
#include "ui/refresh_timer.h"
#include "ui/resources/resource.h"
#include "ui/row_view.h"
#include "ui/session.h"
#include "ui/share_paths.h"
#include "ui/share_worker.h"
#include "ui/status_bar.h"
#include "ui/user_settings.h"
#include "ui/wrap_text.h"

namespace ui {

namespace {

// Read back with this limit, so a longer path could not survive 設定 whole.
constexpr int PathLimit = 255;
constexpr int MaxMinutes = 60;
// The name list named in its field is read this long after the last change to the field.
constexpr UINT_PTR NamesTimer = 1;
constexpr UINT NamesPauseMs = 400;
// Both paths are checked this long after the last change to either.
constexpr UINT_PTR CheckTimer = 2;

// Pairs of description and pattern, ending with an empty pair.
const char NameListFilter[] = "名前リストファイル {*.lst}\0*.lst\0すべてのﾌｧｲﾙ {*.*}\0*.*\0";
const char BoardFilter[] = "ボード内容ファイル {*.lst}\0*.lst\0すべてのﾌｧｲﾙ {*.*}\0*.*\0";

// What one run of the dialog keeps, on its runner's stack and in the dialog's DWLP_USER.
struct SettingsDialog {
  // Whose refresh timer and folder watch follow the settings; none in the first-run flow.
  HWND mainWindow;
  // Whether the note shows the older PCs' lock name, so that it goes when the name no longer needs it.
  bool olderLockNoteShown;
  // Path checks asked of the share's worker and not answered yet: OK waits for them.
  int checksAsked;
  // OK was pressed: the last check's answer saves, unless it finds one file named twice.
  bool saving;
  // My name as last chosen in the combo: what it shows again when what was typed matches no one.
  int ownChoice;
};

SettingsDialog& stateOf(HWND dialog) {
  return *reinterpret_cast<SettingsDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

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

// The placeholder path is an example, shown greyed in the empty field (also while it has the focus), so
// a field left alone holds nothing to save. The control takes the hint in UTF-16 only.
void showPathOrExample(HWND dialog, int id, const char (&field)[settings::PathSize], const char* example) {
  wchar_t hint[settings::PathSize];
  if (MultiByteToWideChar(CP_ACP, 0, example, -1, hint, settings::PathSize) > 0)
    SendDlgItemMessageW(dialog, id, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(hint));
  if (std::strncmp(field, example, sizeof field) != 0) showPath(dialog, id, field);
}

// My name is chosen from the members of a name list. (なし) stays first; the choice starts on wanted.
void chooseAmong(HWND combo, const char (*names)[store::NameSize], int count, const char* wanted) {
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("（なし）"));
  int chosen = 0;
  for (int slot = 0; slot < count; ++slot) {
    char name[store::NameSize + 1];
    text::copyField(name, sizeof name, names[slot], store::NameSize);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    if (!chosen && wanted[0] && std::strcmp(name, wanted) == 0) chosen = slot + 1;
  }
  SendMessageA(combo, CB_SETCURSEL, chosen, 0);
  EnableWindow(combo, count > 0);
}

// The name chosen, empty for (なし); while what was typed matches no one, the name chosen before.
void chosenName(HWND combo, int before, char (&out)[store::NameSize + 1]) {
  out[0] = '\0';
  LRESULT chosen = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (chosen < 0) chosen = before;
  if (chosen > 0 && SendMessageA(combo, CB_GETLBTEXTLEN, chosen, 0) < static_cast<LRESULT>(sizeof out))
    SendMessageA(combo, CB_GETLBTEXT, chosen, reinterpret_cast<LPARAM>(out));
}

// The list as loaded; without one (the first start) the choice waits for a list to be named.
void showOwnNames(HWND dialog) {
  char saved[store::NameSize];
  savedOwnName(saved);
  chooseAmong(GetDlgItem(dialog, IDC_OWN_NAME), boardView().displayNames, boardView().memberCount, saved);
  stateOf(dialog).ownChoice = static_cast<int>(SendDlgItemMessageA(dialog, IDC_OWN_NAME, CB_GETCURSEL, 0, 0));
}

// As my name is typed, the first name that begins with it, else the first that holds it, is the one
// chosen, highlighted in the open list; the text typed stays as typed until the field is left. The
// list's order is the name list's, as on the board, so a member who knows where they stand still finds
// themselves by scrolling.
void onOwnNameTyped(HWND dialog) {
  HWND combo = GetDlgItem(dialog, IDC_OWN_NAME);
  char typed[store::NameSize * 2] = "";
  GetWindowTextA(combo, typed, sizeof typed);
  static char names[store::MaxMembers][store::NameSize];  // the combo's names, too large for the stack
  const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0)) - 1;
  for (int i = 0; i < count && i < store::MaxMembers; ++i) {
    char name[store::NameSize * 2] = "";
    if (SendMessageA(combo, CB_GETLBTEXTLEN, i + 1, 0) < static_cast<LRESULT>(sizeof name))
      SendMessageA(combo, CB_GETLBTEXT, i + 1, reinterpret_cast<LPARAM>(name));
    text::copyField(names[i], store::NameSize, name, sizeof name);
  }
  const int found = typed[0] ? nameMatching(names, count, typed) : -1;
  const int item = typed[0] ? (found < 0 ? -1 : found + 1) : 0;
  COMBOBOXINFO info = {};
  info.cbSize = sizeof info;
  if (!GetComboBoxInfo(combo, &info) || !info.hwndList) return;
  // The list opens as the member types into the field, so the name found is in sight.
  if (item > 0 && GetFocus() == info.hwndItem && !SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0)) {
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    // Opening the list put the name it found into the field: the member's own typing is kept.
    SetWindowTextA(info.hwndItem, typed);
    const WORD end = static_cast<WORD>(std::strlen(typed));
    SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(end, end));
  }
  SendMessageA(info.hwndList, LB_SETCURSEL, item, 0);
}

// Leaving the field shows the name that will be kept: the one found, or the one before when none was.
void onOwnNameLeft(HWND dialog) {
  HWND combo = GetDlgItem(dialog, IDC_OWN_NAME);
  int& ownChoice = stateOf(dialog).ownChoice;
  const int chosen = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
  if (chosen >= 0) ownChoice = chosen;
  SendMessageA(combo, CB_SETCURSEL, ownChoice, 0);
}

// The list the name-list field names now, read by the share's worker into a share of its own: a list
// browsed to or typed offers its names at once rather than at the next start. The answer comes as
// WM_APP_NAMES.
void askNamesOfField(HWND dialog) {
  Request names;
  names.job = Job::names;
  names.replyTo = dialog;
  GetDlgItemTextA(dialog, IDC_NAME_LIST_PATH, names.path, PathLimit);
  text::toBackslashes(names.path, sizeof names.path);
  // A full queue is asked again after the same pause.
  if (names.path[0] && !postRequest(names)) SetTimer(dialog, NamesTimer, NamesPauseMs, nullptr);
}

// A path that gives no names changes nothing; the member's choice so far is kept where it is a member.
void onNamesAnswer(HWND dialog, bool read) {
  if (!read) return;
  static NamesAnswer answer;  // far too large for the stack
  takeAnsweredNames(answer);
  HWND combo = GetDlgItem(dialog, IDC_OWN_NAME);
  char wanted[store::NameSize + 1] = "";
  if (IsWindowEnabled(combo)) {
    chosenName(combo, stateOf(dialog).ownChoice, wanted);
  } else {
    char saved[store::NameSize];
    savedOwnName(saved);
    text::copyField(wanted, sizeof wanted, saved, sizeof saved);
  }
  chooseAmong(combo, answer.names, answer.count, wanted);
  stateOf(dialog).ownChoice = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
}

// The status bar says so for as long as it is on; in the first-run flow there is no bar yet.
void storeWriteWithoutLock(HWND dialog) {
  HWND mainWindow = stateOf(dialog).mainWindow;
  if (mainWindow) showWritesWithoutLock(GetDlgItem(mainWindow, IDC_STATUS_BAR), savedWriteWithoutLock());
}

// Kept at once in tavelin.ini: the record's 550 bytes have no room for it.
void storeOwnName(HWND dialog) {
  HWND combo = GetDlgItem(dialog, IDC_OWN_NAME);
  if (!IsWindowEnabled(combo)) return;
  char name[store::NameSize + 1] = "";
  chosenName(combo, stateOf(dialog).ownChoice, name);
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
                  "パスの「/」は「\\」に直しました。どのPCも同じ使用中の印（sem.dat）を使うためです。");
}

// Older PCs cut the board's path at its last byte 0x5C, also the second byte of a character such as
// 表: for 予定表.lst they lock 予定表sem.dat. This program then takes both locks, and the note says
// so, with a name that keeps every PC on one lock file.
void noteOlderLock(HWND dialog) {
  bool& olderLockNoteShown = stateOf(dialog).olderLockNoteShown;
  char board[settings::PathSize] = {};
  GetDlgItemTextA(dialog, IDC_BOARD_PATH, board, PathLimit);
  char older[store::LockPathSize];
  if (store::olderPcsLockFor(board, sizeof board, older) != store::OlderLock::other) {
    if (olderLockNoteShown) SetDlgItemTextA(dialog, IDC_SETTINGS_NOTE, "");
    olderLockNoteShown = false;
    return;
  }
  const size_t cut = text::lastSeparator(older, std::strlen(older));
  char note[store::LockPathSize + 256];
  std::snprintf(note, sizeof note,
                "古いPCはこのボード名だと「%s」を使用中の印にします（名前の文字の２バイト目が「\\」のため）。両方を"
                "使うので安全ですが、その文字のない名前（tv_cont.lst など）をおすすめします。",
                cut < std::strlen(older) ? older + cut + 1 : older);
  SetDlgItemTextA(dialog, IDC_SETTINGS_NOTE, note);
  olderLockNoteShown = true;
}

bool askPathCheck(HWND dialog);

// lParam: the run's SettingsDialog.
BOOL onInitDialog(HWND dialog, LPARAM state) {
  SetWindowLongPtrA(dialog, DWLP_USER, state);
  wrapDialogTexts(dialog);
  centreDialog(dialog);
  showPathOrExample(dialog, IDC_NAME_LIST_PATH, local().prefs.nameListPath, settings::DefaultNameListPath);
  showPathOrExample(dialog, IDC_BOARD_PATH, local().prefs.boardPath, settings::DefaultBoardPath);
  SetDlgItemInt(dialog, IDC_INTERVAL, static_cast<UINT>(local().prefs.refreshMinutes.get()), FALSE);
  showOwnNames(dialog);
  keepBackslashesOnly(dialog, IDC_NAME_LIST_PATH);
  keepBackslashesOnly(dialog, IDC_BOARD_PATH);
  stateOf(dialog).olderLockNoteShown = false;
  noteOlderLock(dialog);
  CheckDlgButton(dialog, IDC_WRITE_WITHOUT_LOCK, savedWriteWithoutLock() ? BST_CHECKED : BST_UNCHECKED);
  // The list shown is the one loaded: no read of the names until the path is changed. The paths are
  // looked at once: a setting that points nowhere is said as the dialog opens.
  KillTimer(dialog, NamesTimer);
  KillTimer(dialog, CheckTimer);
  if (!askPathCheck(dialog)) SetTimer(dialog, CheckTimer, NamesPauseMs, nullptr);
  // Not on 設定: Enter at once would save whatever the fields hold.
  SetFocus(GetDlgItem(dialog, IDC_NAME_LIST_PATH));
  return FALSE;
}

// The timer follows at once while the window runs; in the first-run flow there is no window yet.
void applyInterval(HWND dialog, int minutes) {
  local().prefs.refreshMinutes.set(minutes);
  HWND mainWindow = stateOf(dialog).mainWindow;
  if (mainWindow) followRefreshInterval(mainWindow, minutes);
}

// The refusals' notes, each gone once the path it is about is changed.
constexpr char NoNameListNote[] = "名前リストファイルを指定してください（参照で選べます）。";
constexpr char NoBoardNote[] = "ボード内容ファイルを指定してください（参照で選べます）。";

// A path field changed: a refusal that no longer holds takes its note with it.
void dropStaleNote(HWND dialog, int changedId) {
  char note[256];
  GetDlgItemTextA(dialog, IDC_SETTINGS_NOTE, note, sizeof note);
  const bool stale = (changedId == IDC_NAME_LIST_PATH && std::strcmp(note, NoNameListNote) == 0) ||
                     (changedId == IDC_BOARD_PATH && std::strcmp(note, NoBoardNote) == 0);
  if (stale && GetWindowTextLengthA(GetDlgItem(dialog, changedId)) > 0) SetDlgItemTextA(dialog, IDC_SETTINGS_NOTE, "");
}

// What is wrong with each path, said under them as soon as the share's worker has looked, and gone
// as soon as a look finds it no longer so.
void showPathTrouble(HWND dialog, int trouble) {
  const struct {
    int bit;
    const char* text;
  } sayings[] = {
      {worker::PathMissing, "名前リストファイルが見つかりません（パスか、共有フォルダーへの接続をお確かめください）。"},
      {worker::PathNotAFile, "名前リストファイルのパスはファイルではありません（フォルダーなど）。"},
      {worker::PathUnreadable, "名前リストファイルを読めません（アクセス許可をお確かめください）。"},
      {worker::PathMissing << worker::BoardTroubleShift,
       "ボード内容ファイルが見つかりません（パスか、共有フォルダーへの接続をお確かめください）。"},
      {worker::PathNotAFile << worker::BoardTroubleShift,
       "ボード内容ファイルのパスはファイルではありません（フォルダーなど）。"},
      {worker::PathUnreadable << worker::BoardTroubleShift,
       "ボード内容ファイルを読めません（アクセス許可をお確かめください）。"},
      {worker::OneFileTrouble, "名前リストファイルとボード内容ファイルに同じファイルは指定できません。"},
  };
  char note[768] = "";
  size_t at = 0;
  for (const auto& saying : sayings)
    if ((trouble & saying.bit) && at < sizeof note) {
      const int n = std::snprintf(note + at, sizeof note - at, "%s", saying.text);
      if (n > 0) at += static_cast<size_t>(n);
    }
  SetDlgItemTextA(dialog, IDC_PATH_NOTE, note);
}

// Both paths as the fields hold them, looked at by the share's worker, since either may be on a share
// that does not answer; the answer comes as WM_APP_PATHS_CHECKED and OK waits for it, greyed.
bool askPathCheck(HWND dialog) {
  Request check;
  check.job = Job::checkPaths;
  check.replyTo = dialog;
  GetDlgItemTextA(dialog, IDC_NAME_LIST_PATH, check.path, PathLimit);
  GetDlgItemTextA(dialog, IDC_BOARD_PATH, check.boardPath, PathLimit);
  if (!postRequest(check)) return false;
  ++stateOf(dialog).checksAsked;
  EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
  return true;
}

void onCheckTimer(HWND dialog) {
  KillTimer(dialog, CheckTimer);
  // A full queue is asked again after the same pause.
  if (!askPathCheck(dialog)) SetTimer(dialog, CheckTimer, NamesPauseMs, nullptr);
}

// Both files must be named: a field left empty would start the window on nothing.
bool refuseEmptyPath(HWND dialog) {
  const int fields[] = {IDC_NAME_LIST_PATH, IDC_BOARD_PATH};
  for (int id : fields) {
    char path[settings::PathSize] = {};
    GetDlgItemTextA(dialog, id, path, PathLimit);
    if (path[0]) continue;
    MessageBeep(0);
    SetDlgItemTextA(dialog, IDC_SETTINGS_NOTE, id == IDC_NAME_LIST_PATH ? NoNameListNote : NoBoardNote);
    SetFocus(GetDlgItem(dialog, id));
    return true;
  }
  return false;
}

void onSet(HWND dialog) {
  if (refuseEmptyPath(dialog)) return;
  // The fields as they are now, checked once more: the answer saves them, as the last one asked, so a check
  // still under way (OK pressed at once, or Enter) answers for nothing.
  KillTimer(dialog, CheckTimer);
  stateOf(dialog).saving = askPathCheck(dialog);
  if (stateOf(dialog).saving) return;
  MessageBeep(0);
  SetDlgItemTextA(dialog, IDC_SETTINGS_NOTE, "共有フォルダーの確認を始められません。もう一度 OK を押してください。");
}

// Only the last check answers for the fields as they are; one after OK saves them, unless they name
// one file twice, which would have the first row write replace the name list with a board. A path
// missing or out of reach is saved with its note said: the share may be down only for now.
void onPathsChecked(HWND dialog, int trouble) {
  SettingsDialog& state = stateOf(dialog);
  if (state.checksAsked > 0) --state.checksAsked;
  if (state.checksAsked > 0) return;
  showPathTrouble(dialog, trouble);
  EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
  if (!state.saving) return;
  state.saving = false;
  if (trouble & worker::OneFileTrouble) {
    MessageBeep(0);
    return;
  }
  // Kept before the paths go to the share, which takes the setting with them.
  saveWriteWithoutLock(IsDlgButtonChecked(dialog, IDC_WRITE_WITHOUT_LOCK) == BST_CHECKED);
  GetDlgItemTextA(dialog, IDC_NAME_LIST_PATH, local().prefs.nameListPath, PathLimit);
  GetDlgItemTextA(dialog, IDC_BOARD_PATH, local().prefs.boardPath, PathLimit);
  text::toBackslashes(local().prefs.nameListPath, sizeof local().prefs.nameListPath);
  text::toBackslashes(local().prefs.boardPath, sizeof local().prefs.boardPath);
  sharePathsFromPrefs(stateOf(dialog).mainWindow);
  applyInterval(dialog, intervalFromField(GetDlgItemInt(dialog, IDC_INTERVAL, nullptr, FALSE)));
  storeOwnName(dialog);
  storeWriteWithoutLock(dialog);
  EndDialog(dialog, 1);
}

// The field is reloaded from the preferences whatever the outcome, so it always shows what is stored.
void onBrowse(HWND dialog, int fieldId, char (&target)[settings::PathSize], FileKind which) {
  Chosen chosen = chooseFile(target, dialog, which);
  sharePathsFromPrefs(stateOf(dialog).mainWindow);
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
    case IDC_OWN_NAME:
      if (code == CBN_EDITCHANGE) onOwnNameTyped(dialog);
      if (code == CBN_KILLFOCUS) onOwnNameLeft(dialog);
      return FALSE;
    case IDC_NAME_LIST_PATH:
    case IDC_BOARD_PATH:
      if (code != EN_CHANGE) return FALSE;
      dropStaleNote(dialog, id);
      keepBackslashesOnly(dialog, id);
      if (id == IDC_BOARD_PATH) noteOlderLock(dialog);
      SetTimer(dialog, CheckTimer, NamesPauseMs, nullptr);
      // Once typing pauses, not at every key: each read may wait on the share.
      if (id == IDC_NAME_LIST_PATH) SetTimer(dialog, NamesTimer, NamesPauseMs, nullptr);
      return TRUE;
    default: return FALSE;
  }
}

// What comes before WM_INITDIALOG (the controls' own making) finds no state yet and is left to Windows.
INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_INITDIALOG && !GetWindowLongPtrA(dialog, DWLP_USER)) return FALSE;
  switch (message) {
    case WM_INITDIALOG: return onInitDialog(dialog, lParam);
    case WM_COMMAND: return onCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_TIMER:
      if (wParam == CheckTimer) onCheckTimer(dialog);
      if (wParam != NamesTimer) return wParam == CheckTimer;
      KillTimer(dialog, NamesTimer);
      askNamesOfField(dialog);
      return TRUE;
    case WM_APP_NAMES: onNamesAnswer(dialog, lParam != 0); return TRUE;
    case WM_APP_PATHS_CHECKED: onPathsChecked(dialog, static_cast<int>(lParam)); return TRUE;
    default: return FALSE;
  }
}

}  // namespace

INT_PTR runSettingsDialog(HWND mainWindow) {
  SettingsDialog state = {mainWindow, false, 0, false, 0};
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SETTINGS), mainWindow, settingsDialogProc,
                         reinterpret_cast<LPARAM>(&state));
}

}  // namespace ui
