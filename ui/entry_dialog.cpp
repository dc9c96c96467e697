// Dialog 133: one member's plans, return time and state; OK writes that row to the shared board.
#include "ui/entry_dialog.h"

#include <cstdio>
#include <cstring>

#include "settings/history.h"
#include "store/access.h"
#include "store/board.h"
#include "store/row_copy.h"
#include "store/row_words.h"
#include "text/bounded.h"
#include "text/entry_text.h"
#include "text/fold.h"
#include "text/timestamps.h"
#include "ui/dialog_place.h"
#include "ui/dpi.h"
#include "ui/identity.h"
#include "ui/lock_question.h"
#include "ui/member_list.h"
#include "ui/resources/resource.h"
#include "ui/return_time_dialog.h"
#include "ui/row_changed_dialog.h"
#include "ui/session.h"
#include "ui/share_worker.h"
#include "ui/status_bar.h"
#include "ui/too_long.h"
#include "ui/wrap_text.h"

namespace ui {

namespace {

// Room to read any field whole that could still be stored; a longer one is measured, not read.
constexpr size_t TypedSize = 512;
static_assert(TypedSize > store::PlanSize, "a plan that fits is read whole");
constexpr int FieldTotal = 4;

// What OK has to write: the four texts as typed (the return time folded), their lengths in bytes,
// and each one's check by the rule every front end applies (text::dialogText).
struct Typed {
  char texts[FieldTotal][TypedSize];
  size_t lengths[FieldTotal];
  text::TextCheck checks[FieldTotal];
  size_t refusedAt[FieldTotal];  // the character refused, counted from 1
};

// What the dialog is about, passed through DialogBoxParam and kept in DWLP_USER; seen is the row as
// the user last saw it, so OK can tell whether another PC changed it meanwhile. While the worker
// writes, typed holds what OK sent.
struct EntryTarget {
  int slot;
  HWND owner;
  HWND list;
  store::RowCopy seen;
  bool saving;
  Typed typed;
};

EntryTarget& targetOf(HWND dialog) { return *reinterpret_cast<EntryTarget*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

// The four fields in the order OK checks them, each with the name its label gives it.
struct EntryField {
  int id;
  store::Field field;
  const char* label;
};
constexpr int MorningField = 0, AfternoonField = 1, ReturnTimeField = 2, StateField = 3;
const EntryField Fields[] = {
    {IDC_MORNING, store::Field::morning, "午前"},
    {IDC_AFTERNOON, store::Field::afternoon, "午後"},
    {IDC_RETURN_TIME, store::Field::returnTime, "帰社予定"},
    {IDC_STATE, store::Field::state, "状態"},
};
static_assert(sizeof Fields / sizeof Fields[0] == FieldTotal, "one text per field");

void insertAt(HWND dialog, int id, int position, const char* text) {
  SendDlgItemMessageA(dialog, id, CB_INSERTSTRING, position, reinterpret_cast<LPARAM>(text));
}

void showField(HWND dialog, int slot, int id, store::Field field) {
  char text[store::WrittenSize + 1];
  store::fieldTextOf(boardView().board, slot, field, text, sizeof text);
  SetDlgItemTextA(dialog, id, text);
}

void showNote(HWND dialog, const char* text) { SetDlgItemTextA(dialog, IDC_ENTRY_NOTE, text); }

// A name too long for the frame keeps its start and ends in "…": a centred caption wider than its
// frame would lose the start, which is what tells members apart.
void showCaption(HWND dialog, int slot) {
  HWND group = GetDlgItem(dialog, IDC_ENTRY_GROUP);
  char name[store::NameSize + 1];
  const size_t length = text::copyField(name, sizeof name, boardView().displayNames[slot], store::NameSize);
  RECT margins = {8, 0, 0, 0};
  MapDialogRect(dialog, &margins);
  RECT frame;
  GetClientRect(group, &frame);
  const int room = frame.right - 2 * margins.left;
  char caption[store::NameSize + 64];
  for (size_t keep = length;; keep = text::wholeCharacterLength(name, keep - 1)) {
    std::snprintf(caption, sizeof caption, "%.*s%s の行動予定の変更", static_cast<int>(keep), name,
                  keep < length ? "…" : "");
    if (keep == 0 || textWidthIn(group, caption) <= room) break;
  }
  SetWindowTextA(group, caption);
}

void fillChoices(HWND dialog) {
  int position = 0;
  for (const char* state : store::StateTexts) insertAt(dialog, IDC_STATE, position++, state);
  fillReturnTimes(dialog, IDC_RETURN_TIME);
  // Explicit positions keep the history's newest-first order although the plan boxes sort.
  position = 0;
  for (int slot = 0; slot < settings::HistorySlots; ++slot) {
    char plan[settings::HistoryTextSize + 1];
    settings::historyText(history(), slot, plan);
    if (!plan[0]) continue;
    insertAt(dialog, IDC_MORNING, position, plan);
    insertAt(dialog, IDC_AFTERNOON, position, plan);
    ++position;
  }
}

// At once, from the row on screen: the write's check against seen catches a change made since.
BOOL onInitDialog(HWND dialog, LPARAM target) {
  SetWindowLongPtrA(dialog, DWLP_USER, target);
  wrapDialogTexts(dialog);
  EntryTarget& t = targetOf(dialog);
  placeDialogByRow(dialog, t.list);
  store::copyRow(boardView().board, t.slot, t.seen);
  showCaption(dialog, t.slot);
  for (const EntryField& f : Fields) showField(dialog, t.slot, f.id, f.field);
  fillChoices(dialog);
  return TRUE;
}

// A field as the member typed it (UTF-16, then UTF-8) through the rule every front end applies: a
// character CP932 has no form for would otherwise reach the board as '?'. Its whole length counts even
// beyond the buffer: nothing typed is cut without a word.
size_t readTyped(HWND dialog, int id, char (&out)[TypedSize], text::TextCheck& check, size_t& refusedAt) {
  wchar_t wide[TypedSize];
  char utf8[TypedSize * 3];
  out[0] = '\0';
  refusedAt = 0;
  check = text::TextCheck::tooLong;
  if (GetDlgItemTextW(dialog, id, wide, TypedSize) + 1 < static_cast<int>(TypedSize)) {
    if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr) <= 0) utf8[0] = '\0';
    size_t at = 0;
    check = text::dialogText(utf8, TypedSize - 1, out, TypedSize, &at);
    if (check == text::TextCheck::notCp932)
      for (size_t i = 0; i <= at && utf8[i]; ++i) refusedAt += (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80;
    if (check != text::TextCheck::tooLong) return std::strlen(out);
  }
  // Longer than the buffer: measured as the board would store it, and refused by its limit.
  check = text::TextCheck::ok;
  const LRESULT whole = SendDlgItemMessageA(dialog, id, WM_GETTEXTLENGTH, 0, 0);
  return whole > static_cast<LRESULT>(TypedSize) ? static_cast<size_t>(whole) : TypedSize;
}

void readAll(HWND dialog, Typed& typed) {
  for (int i = 0; i < FieldTotal; ++i)
    typed.lengths[i] = readTyped(dialog, Fields[i].id, typed.texts[i], typed.checks[i], typed.refusedAt[i]);
  // Measured as it will be stored: "１７：３０" takes five bytes, not ten.
  char* returnTime = typed.texts[ReturnTimeField];
  if (typed.lengths[ReturnTimeField] < TypedSize - 1) {
    text::foldFullWidth(returnTime);
    text::trimSpaces(returnTime);
    typed.lengths[ReturnTimeField] = std::strlen(returnTime);
  }
}

// Why a field cannot be written, for the note; false when it can.
bool refusal(const EntryField& field, const Typed& typed, int i, char* note, size_t size) {
  const size_t limit = store::fieldInfo(field.field).inputLimit;
  switch (typed.checks[i]) {
    case text::TextCheck::notCp932:
      std::snprintf(note, size, "%sの%zu文字目は、ほかのPCで表示できない文字です。ほかの文字にしてください。",
                    field.label, typed.refusedAt[i]);
      return true;
    case text::TextCheck::control:
      std::snprintf(note, size, "%sに制御文字（タブなど）があります。取り除いてください。", field.label);
      return true;
    default: break;
  }
  if (typed.lengths[i] <= limit) return false;
  formatTooLong(field.label, typed.lengths[i], limit, note, size);
  return true;
}

// The first field that cannot be written as typed (too long for its board field, a character no PC
// could show, a control character): named in the note and focused. False when all can.
bool refuseTyped(HWND dialog, const Typed& typed) {
  for (int i = 0; i < FieldTotal; ++i) {
    char note[256];
    if (!refusal(Fields[i], typed, i, note, sizeof note)) continue;
    showNote(dialog, note);
    MessageBeep(0);
    SetFocus(GetDlgItem(dialog, Fields[i].id));
    return true;
  }
  return false;
}

// OK waits while the row is being written; Cancel then stops a wait for another PC's lock. The note
// says what is going on.
void showSaving(HWND dialog, bool saving) {
  EnableWindow(GetDlgItem(dialog, IDOK), !saving);
  if (saving) {
    showNote(dialog, "書き込み中…");
  } else {
    SetFocus(GetDlgItem(dialog, IDOK));
  }
}

bool anyTyped(const Typed& typed) {
  for (int i = 0; i < FieldTotal; ++i)
    if (typed.lengths[i] > 0) return true;
  return false;
}

void holdOff() { MessageBeep(0); }

// Stamped when OK is pressed; all four fields empty clear the row, its time too. The worker writes it
// in its turn; a row that no longer reads as the user saw it is not written: RowChanged. The answer
// comes as WM_APP_ANSWER.
void writeTyped(HWND dialog) {
  EntryTarget& target = targetOf(dialog);
  const Typed& typed = target.typed;
  Request write;
  write.job = Job::writeRow;
  write.replyTo = dialog;
  write.slot = target.slot;
  write.seen = target.seen;
  store::RowCopy& row = write.row;
  text::copyField(row.morning, sizeof row.morning, typed.texts[MorningField], TypedSize);
  text::copyField(row.afternoon, sizeof row.afternoon, typed.texts[AfternoonField], TypedSize);
  text::copyField(row.state, sizeof row.state, typed.texts[StateField], TypedSize);
  text::copyField(row.returnTime, sizeof row.returnTime, typed.texts[ReturnTimeField], TypedSize);
  if (anyTyped(typed)) {
    char written[text::WrittenAtSize];
    text::formatWrittenAt(written);
    text::copyField(row.written, sizeof row.written, written, sizeof written);
  }
  if (!postRequest(write)) return holdOff();
  target.saving = true;
  showSaving(dialog, true);
}

// Another PC changed the row since it was shown: the list shows their row, and the user sees it and
// decides. Either way what they have now seen is what the next OK compares with. True to write anyway.
bool overwriteChangedRow(HWND dialog) {
  EntryTarget& target = targetOf(dialog);
  const bool overwrite = askToOverwrite(dialog, target.slot);
  store::copyRow(boardView().board, target.slot, target.seen);
  if (!overwrite) showNote(dialog, "ほかのPCで変更された行です。OK で入力した内容を書き込みます。");
  return overwrite;
}

// A write that failed and could not be undone may be on the board: the list shows the board as read
// back, what was typed stays, and OK writes it again without taking the list's row for another PC's.
void showMayHaveLanded(HWND dialog) {
  EntryTarget& target = targetOf(dialog);
  store::copyRow(boardView().board, target.slot, target.seen);
  showNote(dialog, "保存された可能性があります。一覧の行をお確かめください。OK でもう一度書き込みます。");
}

// The dialog closes only on a write the board took. On failure everything typed stays, the reason
// is shown here as on the status line, and OK tries again; Cancel discards.
void onOk(HWND dialog) {
  EntryTarget& target = targetOf(dialog);
  if (target.saving) return holdOff();
  readAll(dialog, target.typed);
  if (refuseTyped(dialog, target.typed)) return;
  writeTyped(dialog);
}

// The worker's answer to OK. The list already shows the board as the write left it.
void onWritten(HWND dialog, int saved) {
  EntryTarget& target = targetOf(dialog);
  target.saving = false;
  showSaving(dialog, false);
  if (saved == store::RowChanged) {
    if (overwriteChangedRow(dialog)) writeTyped(dialog);
    return;
  }
  if (saved == store::MayHaveLanded) return showMayHaveLanded(dialog);
  if (saved == 0) {
    char message[512], note[600];
    answeredMessage(Job::writeRow, message, sizeof message);
    std::snprintf(note, sizeof note, "書き込めませんでした。%s", message);
    showNote(dialog, note);
    return;
  }
  if (anyTyped(target.typed)) {
    settings::addToHistory(history(), target.typed.texts[MorningField]);
    settings::addToHistory(history(), target.typed.texts[AfternoonField]);
  }
  EndDialog(dialog, IDOK);
}

// During a write Cancel stops its wait for the lock: the answer then keeps the dialog with what was
// typed, and a second Cancel discards it.
void onCancel(HWND dialog) {
  if (targetOf(dialog).saving) {
    cancelShareWait();
    return;
  }
  EndDialog(dialog, IDCANCEL);
}

// The write waits for another PC's lock: whose, for how long, and that Cancel stops it.
void onWaiting(HWND dialog, int attempt) {
  if (!targetOf(dialog).saving) return;
  const WaitFacts wait = lastWait();
  const LockFacts lock = {true, wait.holder, strnlen(wait.holder, sizeof wait.holder), wait.aged, wait.ageSeconds};
  char text[1024], note[1100];
  formatWaitNotice(lock, attempt, store::Attempts, false, text, sizeof text);
  std::snprintf(note, sizeof note, "%s。キャンセルで待つのをやめます", text);
  showNote(dialog, note);
}

INT_PTR onCommand(HWND dialog, int id) {
  switch (id) {
    case IDOK: onOk(dialog); return TRUE;
    case IDCANCEL: onCancel(dialog); return TRUE;
    default: return FALSE;
  }
}

INT_PTR CALLBACK entryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return onInitDialog(dialog, lParam);
    case WM_COMMAND: return onCommand(dialog, LOWORD(wParam));
    case WM_APP_ANSWER: onWritten(dialog, static_cast<int>(lParam)); return TRUE;
    case WM_APP_WAITING: onWaiting(dialog, static_cast<int>(wParam)); return TRUE;
    default: return FALSE;
  }
}

}  // namespace

void openEntryDialog(HWND owner, HWND list, int slot) {
  if (slot < 0 || slot >= store::MaxMembers) return;
  EntryTarget target = {slot, owner, list, {}, false, {}};
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ENTRY), owner, entryDialogProc, reinterpret_cast<LPARAM>(&target));
}

}  // namespace ui
