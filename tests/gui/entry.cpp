#include "tests/gui/entry.h"

#include <cstring>

namespace gui {

store::BoardImage readBoard(const CaseDirs& d) {
  store::BoardImage b = {};
  std::string data = readFile(d.share + "\\tv_cont.lst");
  if (data.size() == sizeof b) std::memcpy(&b, data.data(), sizeof b);
  return b;
}

SlotTexts slotOf(const store::BoardImage& b, int slot) {
  const store::ScheduleEntry& e = b.entries[slot];
  return {fieldOf(e.morning, sizeof e.morning), fieldOf(e.afternoon, sizeof e.afternoon),
          fieldOf(b.returnTimes[slot], store::ReturnTimeSize), fieldOf(e.state, sizeof e.state),
          fieldOf(b.writtenAt[slot], store::WrittenSize)};
}

void checkOtherSlotsKept(const store::BoardImage& before, const store::BoardImage& after, std::vector<int> changed) {
  for (int slot = 0; slot < store::MaxMembers; ++slot) {
    bool skip = false;
    for (int c : changed) skip = skip || c == slot;
    if (skip) continue;
    bool same = std::memcmp(&before.entries[slot], &after.entries[slot], sizeof before.entries[slot]) == 0 &&
                std::memcmp(before.returnTimes[slot], after.returnTimes[slot], store::ReturnTimeSize) == 0 &&
                std::memcmp(before.writtenAt[slot], after.writtenAt[slot], store::WrittenSize) == 0;
    CHECK(same, "slot %d unchanged", slot);
  }
  CHECK(std::memcmp(before.boardNames, after.boardNames, sizeof before.boardNames) == 0, "name area unchanged");
}

std::string stampOf(const SYSTEMTIME& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d", t.wYear % 100, t.wMonth, t.wDay, t.wHour, t.wMinute);
  return text;
}

SYSTEMTIME daysAgo(const SYSTEMTIME& t, int days) {
  FILETIME f;
  SystemTimeToFileTime(&t, &f);
  ULARGE_INTEGER v = {{f.dwLowDateTime, f.dwHighDateTime}};
  v.QuadPart -= static_cast<ULONGLONG>(days) * 24 * 3600 * 10000000ULL;
  f = {v.LowPart, v.HighPart};
  SYSTEMTIME back;
  FileTimeToSystemTime(&f, &back);
  return back;
}

SYSTEMTIME nowPastMidnight() {
  SYSTEMTIME now;
  waitFor(
      [&] {
        GetLocalTime(&now);
        return (now.wHour != 0 || now.wMinute != 0) && (now.wHour != 23 || now.wMinute != 59);
      },
      125000);
  return now;
}

namespace {

std::string dayAt(const SYSTEMTIME& day, const char* time) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d %.5s", day.wYear % 100, day.wMonth, day.wDay, time);
  return text;
}

}  // namespace

std::string todayAt(const char* time) { return dayAt(nowPastMidnight(), time); }

std::string yesterdayAt(const char* time) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return dayAt(daysAgo(now, 1), time);
}

bool stampedBetween(const std::string& written, const SYSTEMTIME& before, const SYSTEMTIME& after) {
  return written == stampOf(before) || written == stampOf(after);
}

EntryDialog waitEntryDialog(const Program& p) {
  EntryDialog e;
  e.dialog = gui::waitForDialog(p.id(), "行き先の入力", 10000);
  if (!e.dialog) return e;
  e.morning = GetDlgItem(e.dialog, IDC_MORNING);
  e.afternoon = GetDlgItem(e.dialog, IDC_AFTERNOON);
  e.returnTime = GetDlgItem(e.dialog, IDC_RETURN_TIME);
  e.state = GetDlgItem(e.dialog, IDC_STATE);
  return e;
}

bool rightClickRow(const Program& p, const Window& w, int row) {
  POINT pt;
  if (!gui::itemScreenPoint(p.process(), w.list, row, &pt)) return false;
  return PostMessageA(w.main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.list), MAKELPARAM(pt.x, pt.y)) != 0;
}

void fillEntry(const EntryDialog& e, const char* morning, const char* afternoon, const char* returnTime,
               const char* state) {
  gui::setWindowText(e.morning, morning);
  gui::setWindowText(e.afternoon, afternoon);
  gui::setWindowText(e.returnTime, returnTime);
  gui::setWindowText(e.state, state);
}

std::vector<std::string> historyTexts(const CaseDirs& d) {
  std::vector<std::string> texts;
  std::string data = readFile(d.run + "\\tavelin.cmb");
  for (size_t at = 0; at + 120 <= data.size(); at += 120) {
    std::string t = fieldOf(data.data() + at, 120);
    if (!t.empty()) texts.push_back(t);
  }
  return texts;
}

void pressKeys(std::vector<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD k : keys) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = k;
    inputs.push_back(in);
  }
  for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = *k;
    in.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(in);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::string captionOf(const EntryDialog& e) { return gui::windowText(GetDlgItem(e.dialog, IDC_ENTRY_GROUP)); }

std::string noteOf(const EntryDialog& e) { return gui::unwrappedText(GetDlgItem(e.dialog, IDC_ENTRY_NOTE)); }

}  // namespace gui
