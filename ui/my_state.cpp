#include "ui/my_state.h"

#include <cstring>

#include "platform/status.h"
#include "text/bounded.h"
#include "ui/member_list.h"
#include "ui/resources/resource.h"
#include "ui/return_time_dialog.h"
#include "ui/share_worker.h"

namespace ui {

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
    copyRow(boardView(), slot, now);
    if (!askReturnTime(window, stateOf(now.state) == State::outReturning ? now.returnTime : "", returnTime)) return;
  }
  // The worker writes it from the board as it reads it under the lock and says how it went.
  Request mine;
  mine.job = Job::writeMine;
  mine.slot = slot;
  text::copyField(mine.row.state, sizeof mine.row.state, stateText(state), std::strlen(stateText(state)));
  text::copyField(mine.row.returnTime, sizeof mine.row.returnTime, returnTime, sizeof returnTime);
  if (!postRequest(mine)) MessageBeep(0);
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
