#include "ui/my_state.h"

#include <cstdio>
#include <cstring>

#include "platform/status.h"
#include "store/access.h"
#include "text/bounded.h"
#include "ui/member_list.h"
#include "ui/notice_bar.h"
#include "ui/resources/resource.h"
#include "ui/return_time_dialog.h"
#include "ui/share_worker.h"
#include "ui/status_bar.h"

namespace ui {

namespace {

// The state last asked for, kept for the notice's retry.
Request lastAsked;

// A notice stays up while its retry is on its way: the answer replaces it or takes it down.
void postMine() {
  if (!postRequest(lastAsked)) MessageBeep(0);
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
    store::RowCopy now;
    store::copyRow(boardView().board, slot, now);
    if (!askReturnTime(window, stateOf(now.state) == State::outReturning ? now.returnTime : "", returnTime)) return;
  }
  // The worker writes it from the board as it reads it under the lock and says how it went.
  Request& mine = lastAsked;
  mine = Request{};
  mine.job = Job::writeMine;
  mine.replyTo = window;
  mine.slot = slot;
  text::copyField(mine.row.state, sizeof mine.row.state, stateText(state), std::strlen(stateText(state)));
  text::copyField(mine.row.returnTime, sizeof mine.row.returnTime, returnTime, sizeof returnTime);
  postMine();
}

void myStateAnswered(HWND window, int outcome) {
  if (outcome == 1) return hideNotice(window, Notice::myState);
  char reason[1024], text[1200];
  // A lock left behind: the advice the wait ended with says more than its last (202).
  if (shownNotice() == Notice::oldLock)
    GetWindowTextA(GetDlgItem(window, IDC_NOTICE_BAR), reason, sizeof reason);
  else
    answeredMessage(Job::writeMine, reason, sizeof reason);
  const char* format = outcome == store::MayHaveLanded ? "自分の状態「%s」は保存されたか確かめられません：%s"
                                                       : "自分の状態「%s」は保存されていません：%s";
  std::snprintf(text, sizeof text, format, lastAsked.row.state, reason);
  showNotice(window, Notice::myState, text, "再試行(&R)");
}

void retryMyState() {
  if (lastAsked.job == Job::writeMine) postMine();
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
