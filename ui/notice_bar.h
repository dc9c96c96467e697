#pragma once
// A strip under the toolbar for what must stay in view until it is dealt with: a state that was not
// saved, a wait for another PC's lock, a share that cannot be reached, trouble with the name list. One
// notice at a time, with its text, one action button and a close button; the status line's messages
// come and go, this does not.
#include <windows.h>

namespace ui {

// What a notice is about; its action button sends IDC_NOTICE_ACTION to the bar's parent, which asks
// shownNotice(parent) what it stood for. The close button hides it.
enum class Notice { none, waiting, myState, oldLock, noServer, nameList };

// Hidden until a notice comes.
HWND createNoticeBar(HWND parent);
// Shown in front, replacing the notice of the same kind; a wait shows above everything, what asks the
// member something (a state not saved, an old lock) above what only informs. action nullptr for none.
// The parent is laid out again when the bar comes or goes. closable: whether the close button shows.
void showNotice(HWND parent, Notice kind, const char* text, const char* action, bool closable = true);
// The notice of this kind goes, shown or waiting; the one under it shows, or the bar hides.
void hideNotice(HWND parent, Notice kind);
// The notice in front, or none.
Notice shownNotice(HWND parent);
// Whether a notice of this kind is shown or waits under another.
bool hasNotice(HWND parent, Notice kind);
// The bar along the top of the list's room, width wide from y; its height, 0 while hidden.
int layOutNoticeBar(HWND bar, int y, int width);

}  // namespace ui
