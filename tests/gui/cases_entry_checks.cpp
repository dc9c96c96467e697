// The entry dialog when OK cannot simply write: a failed save, texts too long, a name too long to show.
#include "tests/gui/entry.h"

namespace gui {

namespace {

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool shows(const EntryDialog& e, const char* morning, const char* afternoon, const char* returnTime,
           const char* state) {
  return gui::windowText(e.morning) == morning && gui::windowText(e.afternoon) == afternoon &&
         gui::windowText(e.returnTime) == returnTime && gui::windowText(e.state) == state;
}

// OK pressed and answered: the dialog has run its checks (and any write) when this returns.
bool pressOk(const EntryDialog& e) { return gui::sendWithin(GetDlgItem(e.dialog, IDOK), BM_CLICK, 0, 0, 30000); }

// Characters typed one by one into a combo box's edit field; its text once all have arrived, or what came.
std::string typeInto(HWND combo, char c, size_t count) {
  HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
  for (size_t i = 0; i < count; ++i) PostMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 1);
  std::string text;
  gui::waitFor(
      [&] {
        text = gui::windowText(combo);
        return text.size() >= count;
      },
      5000);
  return text;
}

}  // namespace

// A save that fails keeps the dialog with everything typed and says why, in the dialog and on the status
// line; OK tries again and Cancel discards. With another PC's lock, OK waits with the dialog alive and the
// note naming the holder; Cancel stops the wait and keeps what was typed for OK to write later.
void entryFailedSaveKeepsTyping() {
  CaseDirs d = makeBoardCase("entry-failed-save");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  const std::string board = d.share + "\\tv_cont.lst", aside = d.share + "\\aside.lst";
  const std::string cannotOpen = "(205)掲示板ファイルがオープンできません";

  CHECK(rightClickRow(p, w, 2), "row 2 point");
  EntryDialog e = waitEntryDialog(p);
  if (!e.dialog) {
    CHECK(false, "entry dialog");
    return;
  }
  MoveFileA(board.c_str(), aside.c_str());
  fillEntry(e, "午後から外出", "打合せ", "16:00", "外出・戻り");
  CHECK(pressOk(e), "OK answered");
  CHECK(gui::waitFor([&] { return noteOf(e) == "書き込めませんでした。" + cannotOpen; }, 5000), "note: %s",
        noteOf(e).c_str());
  CHECK(IsWindow(e.dialog), "the dialog stays");
  // The folder watch sees the board renamed and a busy machine may run its look before this check: that
  // look then names the same missing board in its own words, (105).
  const std::string line = gui::statusText(p.process(), w.status, 0);
  CHECK(line == cannotOpen || line == "(105)掲示板ファイルがオープンできません", "status line: %s", line.c_str());
  CHECK(shows(e, "午後から外出", "打合せ", "16:00", "外出・戻り"), "everything typed stays");
  CHECK(IsWindowEnabled(GetDlgItem(e.dialog, IDOK)) && IsWindowEnabled(GetDlgItem(e.dialog, IDCANCEL)), "buttons back");
  screenshot("11-entry-save-failed");
  MoveFileA(aside.c_str(), board.c_str());
  store::BoardImage before = readBoard(d);
  CHECK(pressAndWaitClosed(e.dialog, IDOK), "OK again writes and closes");
  store::BoardImage after = readBoard(d);
  SlotTexts s = slotOf(after, 2);
  CHECK(s.morning == "午後から外出" && s.afternoon == "打合せ" && s.returnTime == "16:00" && s.state == "外出・戻り",
        "row written on the second OK");
  checkOtherSlotsKept(before, after, {2});
  CHECK(gui::itemText(p.process(), w.list, 2, 1) == "午後から外出", "list shows it");

  CHECK(rightClickRow(p, w, 4), "row 4 point");
  e = waitEntryDialog(p);
  if (!e.dialog) {
    CHECK(false, "entry dialog");
    return;
  }
  MoveFileA(board.c_str(), aside.c_str());
  fillEntry(e, "捨てる予定", "", "", "帰宅");
  CHECK(pressOk(e) && gui::waitFor([&] { return noteOf(e).rfind("書き込めませんでした", 0) == 0; }, 5000) &&
            IsWindow(e.dialog),
        "the failed OK keeps the dialog");
  CHECK(pressAndWaitClosed(e.dialog, IDCANCEL), "Cancel closes");
  MoveFileA(aside.c_str(), board.c_str());
  CHECK(slotOf(readBoard(d), 4).morning.empty(), "Cancel discarded the entry");

  CHECK(rightClickRow(p, w, 5), "row 5 point");
  e = waitEntryDialog(p);
  if (!e.dialog) {
    CHECK(false, "entry dialog");
    return;
  }
  fillEntry(e, "来客対応", "", "", "社内");
  holdLock(d);
  PostMessageA(GetDlgItem(e.dialog, IDOK), BM_CLICK, 0, 0);
  CHECK(gui::waitFor([&] { return gui::statusText(p.process(), w.status, 0) == "(201)他のユーザがファイルを使用中"; },
                     5000),
        "waiting for the lock");
  CHECK(
      gui::waitFor(
          [&] { return noteOf(e).rfind("ほかのPC[OTHERPC]がボードを使用中のため待っています（2/20）", 0) == 0; }, 5000),
      "the note says whose lock: %s", noteOf(e).c_str());
  CHECK(gui::sendWithin(e.dialog, WM_COMMAND, IDCANCEL, 0, 1000), "Cancel answered");
  CHECK(gui::waitFor(
            [&] { return noteOf(e) == "書き込めませんでした。(203)待つのをやめました（読み書きしていません）"; }, 3000),
        "stops the wait, the dialog stays: %s", noteOf(e).c_str());
  CHECK(IsWindow(e.dialog) && slotOf(readBoard(d), 5).morning.empty(), "nothing written yet");
  releaseLock(d);
  PostMessageA(GetDlgItem(e.dialog, IDOK), BM_CLICK, 0, 0);
  CHECK(gui::waitFor([&] { return !IsWindow(e.dialog); }, 5000), "OK again writes once the lock is gone");
  CHECK(slotOf(readBoard(d), 5).morning == "来客対応", "row 5 written");
  CHECK(closeProgram(p, w), "closed");
  CHECK((historyTexts(d) == std::vector<std::string>{"来客対応", "打合せ", "午後から外出"}),
        "only what was written is in the history");
}

// Nothing typed is cut without a word: a field longer than its board field is named with the bytes over
// its limit, as is one with a control character or a character no PC could show; the dialog stays and
// nothing is written. Typing goes on past a field's visible width, and
// the return time is measured as it is stored, after folding.
void entryRefusesTooLong() {
  CaseDirs d = makeBoardCase("entry-too-long");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  CHECK(rightClickRow(p, w, 1), "row 1 point");
  EntryDialog e = waitEntryDialog(p);
  if (!e.dialog) {
    CHECK(false, "entry dialog");
    return;
  }
  const std::string board = readFile(d.share + "\\tv_cont.lst");

  std::string wide;
  for (int i = 0; i < 60; ++i) wide += "予";
  const struct {
    std::string morning, afternoon, returnTime, state, note;
  } refused[] = {
      {std::string(130, 'x'), "", "", "",
       "午前が長すぎます。あと全角6文字（半角なら12文字）減らしてください（全角59文字、半角118文字まで）。"},
      {"", wide, "", "",
       "午後が長すぎます。あと全角1文字（半角なら2文字）減らしてください（全角59文字、半角118文字まで）。"},
      {"", "", std::string(70, '1'), "",
       "帰社予定が長すぎます。あと全角4文字（半角なら8文字）減らしてください（全角31文字、半角62文字まで）。"},
      {"", "", "", "外出・戻り（午後）",
       "状態が長すぎます。あと全角2文字（半角なら4文字）減らしてください（全角7文字、半角14文字まで）。"},
      {"会議\t資料", "", "", "", "午前に制御文字（タブなど）があります。取り除いてください。"},
  };
  for (const auto& r : refused) {
    fillEntry(e, r.morning.c_str(), r.afternoon.c_str(), r.returnTime.c_str(), r.state.c_str());
    CHECK(pressOk(e) && IsWindow(e.dialog), "the dialog stays");
    CHECK(noteOf(e) == r.note, "note: %s", noteOf(e).c_str());
  }
  // A character CP932 has no form for would reach the board as '?'.
  fillEntry(e, "", "", "", "");
  SendMessageW(e.afternoon, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"\u96ea\u2603\u4e88\u5831"));
  CHECK(pressOk(e) && IsWindow(e.dialog), "the dialog stays");
  CHECK(noteOf(e) == "午後の2文字目は、ほかのPCで表示できない文字です。ほかの文字にしてください。", "note: %s",
        noteOf(e).c_str());
  screenshot("13-entry-too-long");
  CHECK(readFile(d.share + "\\tv_cont.lst") == board, "nothing written");

  fillEntry(e, "", "", "", "");
  CHECK(typeInto(e.returnTime, 'W', 30) == std::string(30, 'W'), "the return time takes all that is typed");
  CHECK(typeInto(e.state, 'W', 14) == std::string(14, 'W'), "so does the state");
  std::string fullWidthDigits;
  for (int i = 0; i < 35; ++i) fullWidthDigits += "１";
  fillEntry(e, "", "", fullWidthDigits.c_str(), "社内");
  CHECK(pressAndWaitClosed(e.dialog, IDOK), "70 bytes of full-width digits fold to 35 and fit");
  CHECK(slotOf(readBoard(d), 1).returnTime == std::string(35, '1'), "stored folded");
  CHECK(closeProgram(p, w), "closed");
}

// A name too long for the frame shows from its start and ends in "…"; the rest of the caption stays.
void entryLongNameCaption() {
  CaseDirs d = makeBoardCase("entry-long-name");
  const std::string longName = "営業部第一課　長谷川　由紀子　内線番号１２３４５６７８";
  std::string names = longName + ";";
  for (int i = 1; i < NameCount; ++i) names += std::string(Names[i]) + ";";
  writeFile(d.share + "\\tv_name.lst", names.data(), names.size());
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  CHECK(gui::itemText(p.process(), w.list, 0, 0) == longName, "the whole name in the list");
  CHECK(rightClickRow(p, w, 0), "row 0 point");
  EntryDialog e = waitEntryDialog(p);
  if (!e.dialog) {
    CHECK(false, "entry dialog");
    return;
  }
  const std::string caption = captionOf(e), tail = "… の行動予定の変更";
  CHECK(endsWith(caption, tail), "ends in an ellipsis: %s", caption.c_str());
  const std::string start = caption.size() > tail.size() ? caption.substr(0, caption.size() - tail.size()) : "";
  CHECK(!start.empty() && start.size() < longName.size() && longName.compare(0, start.size(), start) == 0,
        "the name's start: %s", start.c_str());
  screenshot("12-entry-long-name");
  CHECK(pressAndWaitClosed(e.dialog, IDCANCEL), "cancel");
  CHECK(closeProgram(p, w), "closed");
}

namespace {

// Another PC writes the row while the dialog is open; OK finds it and asks.
HWND okIntoChangedRow(const Program& p, const CaseDirs& d, const EntryDialog& e, const Row& theirs) {
  setRow(theirs);
  writeFile(d.share + "\\tv_cont.lst", &image, sizeof image);
  PostMessageA(GetDlgItem(e.dialog, IDOK), BM_CLICK, 0, 0);
  return gui::waitForDialog(p.id(), "ほかのPCによる変更", 10000);
}

}  // namespace

// A row another PC changed after the dialog opened is not overwritten unasked: OK shows their values and
// time. 戻る keeps what was typed, and the next OK writes it; 上書き writes at once.
void entryRowChangedMeanwhile() {
  CaseDirs d = makeBoardCase("entry-row-changed");
  Program p;
  Window w = startWithBoard(p, d);
  if (!w.main) return;
  CHECK(rightClickRow(p, w, 2), "row 2 point");
  EntryDialog e = waitEntryDialog(p);
  if (!e.dialog) {
    CHECK(false, "entry dialog");
    return;
  }
  fillEntry(e, "自分の予定", "", "16:00", "外出・戻り");
  const Row theirs = {2, "他のPCの予定", "会議", "14:00", "外出・戻り", todayAt("12:34")};
  HWND ask = okIntoChangedRow(p, d, e, theirs);
  CHECK(ask != nullptr, "the question");
  if (!ask) return;
  const std::string intro = gui::unwrappedText(GetDlgItem(ask, IDC_CHANGED_INTRO));
  CHECK(intro.find("鈴木 一郎(103)") == 0 && intro.find(theirs.written) != std::string::npos, "intro: %s",
        intro.c_str());
  CHECK(gui::windowText(GetDlgItem(ask, IDC_CHANGED_MORNING)) == "他のPCの予定" &&
            gui::windowText(GetDlgItem(ask, IDC_CHANGED_AFTERNOON)) == "会議" &&
            gui::windowText(GetDlgItem(ask, IDC_CHANGED_RETURN)) == "14:00" &&
            gui::windowText(GetDlgItem(ask, IDC_CHANGED_STATE)) == "外出・戻り",
        "their values");
  CHECK(slotOf(readBoard(d), 2).morning == "他のPCの予定", "nothing written while asking");
  CHECK(gui::itemText(p.process(), w.list, 2, 1) == "他のPCの予定", "the list shows their row");
  screenshot("14-entry-row-changed");
  CHECK(pressAndWaitClosed(ask, IDCANCEL), "戻る");
  CHECK(IsWindow(e.dialog) && shows(e, "自分の予定", "", "16:00", "外出・戻り"), "back with what was typed");
  CHECK(slotOf(readBoard(d), 2).morning == "他のPCの予定", "戻る writes nothing");
  store::BoardImage before = readBoard(d);
  CHECK(pressAndWaitClosed(e.dialog, IDOK), "OK after seeing their row writes");
  store::BoardImage after = readBoard(d);
  CHECK(slotOf(after, 2).morning == "自分の予定" && slotOf(after, 2).afternoon.empty(), "ours written");
  checkOtherSlotsKept(before, after, {2});

  CHECK(rightClickRow(p, w, 2), "row 2 point");
  e = waitEntryDialog(p);
  if (!e.dialog) {
    CHECK(false, "entry dialog");
    return;
  }
  fillEntry(e, "上書きする予定", "", "", "社内");
  const Row theirsAgain = {2, "また変更", "", "", "帰宅", yesterdayAt("13:00")};  // never this minute
  ask = okIntoChangedRow(p, d, e, theirsAgain);
  CHECK(ask != nullptr, "asked again");
  if (!ask) return;
  CHECK(pressAndWaitClosed(ask, IDC_OVERWRITE), "上書き");
  CHECK(gui::waitFor([&] { return !IsWindow(e.dialog); }, 10000), "written and closed");
  SlotTexts s = slotOf(readBoard(d), 2);
  CHECK(s.morning == "上書きする予定" && s.state == "社内" && s.written != theirsAgain.written, "overwritten, stamped");
  CHECK(gui::itemText(p.process(), w.list, 2, 1) == "上書きする予定", "the list shows ours");
  CHECK(closeProgram(p, w), "closed");
}

}  // namespace gui
