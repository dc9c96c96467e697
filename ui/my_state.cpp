#include "ui/my_state.h"

#include <cstdio>

#include "platform/status.h"
#include "store/access.h"
#include "text/timestamps.h"
#include "ui/board_access.h"
#include "ui/member_list.h"
#include "ui/resources/resource.h"
#include "ui/return_time_dialog.h"
#include "ui/row_copy.h"
#include "ui/session.h"

namespace ui {

namespace {

// A row another PC keeps changing under us is left alone after this many reads.
constexpr int Tries = 3;

// My row as the board image has it, with the new state and time: each try starts from the row as
// last read, so plans another PC wrote meanwhile are kept, never written over. Only 外出・戻り keeps
// a return time; any other state has none to keep.
int writeMyRow(int slot, State state, const char* returnTime) {
  int saved = store::RowChanged;
  for (int i = 0; i < Tries && saved == store::RowChanged; ++i) {
    RowCopy seen;
    copyRow(share(), slot, seen);
    char written[text::WrittenAtSize];
    text::formatWrittenAt(written);
    const store::RowTexts row = {seen.morning, seen.afternoon, stateText(state), returnTime, written};
    const store::RowTexts was = textsOf(seen);
    saved = store::writeRow(share(), slot, row, &was);
  }
  return saved;
}

void reportWritten(State state, int saved) {
  char message[96];
  if (saved == 1) {
    std::snprintf(message, sizeof message, "自分の状態を「%s」にしました", stateText(state));
    status::showStatus(message);
  } else if (saved == store::RowChanged) {
    status::showStatus("(402)ほかのPCが自分の行を書き換え中です。もう一度お試しください");
    status::beep();
  }
}

}  // namespace

void setMyState(HWND window, State state) {
  const int slot = ownSlot();
  if (slot < 0 || state == State::none) {
    status::showStatus("(401)自分の名前が設定されていません（ファイル → 環境設定）");
    status::beep();
    return;
  }
  char returnTime[store::ReturnTimeSize] = "";
  if (state == State::outReturning) {
    RowCopy now;
    copyRow(share(), slot, now);
    if (!askReturnTime(window, stateOf(now.state) == State::outReturning ? now.returnTime : "", returnTime)) return;
  }
  BoardAccess access(window);
  if (!access.started()) return holdOff();
  const int saved = writeMyRow(slot, state, returnTime);
  refreshMemberList(GetDlgItem(window, IDC_MEMBER_LIST));
  reportWritten(state, saved);
}

State stateOfCommand(int id) {
  switch (id) {
    case IDM_MY_OFFICE: return State::office;
    case IDM_MY_HOME: return State::home;
    case IDM_MY_OUT_RETURNING: return State::outReturning;
    case IDM_MY_OUT_GOING_HOME: return State::outGoingHome;
    default: return State::none;
  }
}

}  // namespace ui
