#pragma once
// The 自分の状態 commands: my row's state in one click, plans kept, the time stamped.
#include <windows.h>

#include "store/row_words.h"

namespace ui {

// Has the share's worker write my row with the state (asking the return time for 外出・戻り) under
// the lock, as another PC left its plans.
void setMyState(HWND window, store::State state);

// The worker's answer to my state: a state not saved stays in view on the notice bar, with the reason
// and a retry, until one is saved.
void myStateAnswered(HWND window, int outcome);
// The notice's retry: the state last asked for, asked again.
void retryMyState();
// The menu and toolbar commands and the state each sets; store::State::none for any other id.
store::State stateOfCommand(int id);

}  // namespace ui
