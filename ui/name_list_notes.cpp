#include "ui/name_list_notes.h"

#include <cstdio>
#include <cstring>

#include "store/board.h"
#include "ui/board_view.h"
#include "ui/notice_bar.h"
#include "ui/user_settings.h"

namespace ui {

namespace {

// How many slots hold a name that stood at another slot before; the first few named in out.
int describeMoves(const NameListNotes& notes, const BoardView& view, char* out, size_t size) {
  int moved = 0;
  size_t at = 0;
  out[0] = '\0';
  for (int slot = 0; slot < view.memberCount; ++slot) {
    int was = -1;
    for (int j = 0; j < notes.knownCount && was < 0; ++j)
      if (std::strncmp(notes.known[j], view.displayNames[slot], store::NameSize) == 0) was = j;
    if (was < 0 || was == slot) continue;
    if (++moved > 3 || at >= size) continue;
    const int n = std::snprintf(out + at, size - at, "%s%.*s（%d→%d行目）", moved > 1 ? "、" : "",
                                static_cast<int>(strnlen(view.displayNames[slot], store::NameSize)),
                                view.displayNames[slot], was + 1, slot + 1);
    if (n > 0) at += static_cast<size_t>(n);
  }
  return moved;
}

bool sameAsKnown(const NameListNotes& notes, const BoardView& view) {
  if (view.memberCount != notes.knownCount) return false;
  for (int slot = 0; slot < notes.knownCount; ++slot)
    if (std::strncmp(notes.known[slot], view.displayNames[slot], store::NameSize) != 0) return false;
  return true;
}

void append(char* text, size_t size, const char* part) {
  const size_t at = std::strlen(text);
  if (at < size) std::snprintf(text + at, size - at, "%s%s", at ? "　" : "", part);
}

}  // namespace

void noteNameList(HWND window, NameListNotes& notes) {
  const BoardView& view = boardView();
  if (view.memberCount == 0) return;
  if (!notes.knownRead) {
    notes.knownCount = savedNameList(notes.known, store::MaxMembers);
    notes.knownRead = true;
  }
  char text[1536] = "", part[768];
  if (view.namesUtf8 && !notes.saidUtf8) {
    notes.saidUtf8 = true;
    append(text, sizeof text,
           "名前リストが UTF-8 で保存されているため、名前が化けています。管理者に、名前リストを Shift-JIS で"
           "保存し直すよう伝えてください。");
  }
  if (view.namesIgnored > 0 && !notes.saidIgnored) {
    notes.saidIgnored = true;
    std::snprintf(part, sizeof part, "名前リストの301人目からの%d名は表示されません（300名まで）。", view.namesIgnored);
    append(text, sizeof text, part);
  }
  if (!sameAsKnown(notes, view)) {
    char moves[512];
    const int moved = notes.knownCount ? describeMoves(notes, view, moves, sizeof moves) : 0;
    if (moved) {
      std::snprintf(part, sizeof part,
                    "名前リストが前回から変わり、%d名の行が移動しました：%s%s。予定は元の行に残るため、いまは"
                    "ほかの人の名前の横に表示されています。自分の予定をお確かめください。",
                    moved, moves, moved > 3 ? " ほか" : "");
      append(text, sizeof text, part);
    }
    saveNameList(view.displayNames, view.memberCount);
    std::memcpy(notes.known, view.displayNames, sizeof notes.known);
    notes.knownCount = view.memberCount;
  }
  if (!text[0]) return;
  // A notice that asks something of the member stays in front; this one waits for no answer.
  showNotice(window, Notice::nameList, text, nullptr);
}

}  // namespace ui
