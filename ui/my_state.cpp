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

void setMyState(HWND window, store::State state) {
  const int slot = ownSlot(GetDlgItem(window, IDC_MEMBER_LIST));
  if (slot < 0 || state == store::State::none) {
    status::showStatus("(401)自分の名前が選ばれていません。「ファイル → 環境設定」の「自分の名前」で選んでください。");
    status::beep();
    return;
  }
  char returnTime[store::ReturnTimeSize] = "";
  if (state == store::ReturningState) {
    store::RowCopy now;
    store::copyRow(boardView().board, slot, now);
    if (!askReturnTime(window, store::stateOf(now.state) == state ? now.returnTime : "", returnTime)) return;
  }
  // The worker writes it from the board as it reads it under the lock and says how it went.
  Request& mine = lastAsked;
  mine = Request{};
  mine.job = Job::writeMine;
  mine.replyTo = window;
  mine.slot = slot;
  const char* text = store::stateText(state);
  text::copyField(mine.row.state, sizeof mine.row.state, text, std::strlen(text));
  text::copyField(mine.row.returnTime, sizeof mine.row.returnTime, returnTime, sizeof returnTime);
  postMine();
}

void myStateAnswered(HWND window, int outcome) {
  if (outcome == 1) return hideNotice(window, Notice::myState);
  char reason[1024], text[1200];
  // A lock left behind: the advice the wait ended with says more than its last (202).
  if (shownNotice(window) == Notice::oldLock)
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

}  // namespace ui
