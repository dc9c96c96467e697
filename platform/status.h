#pragma once
// The status-line seam. Declared here, defined by each front end: the GUI writes the status bar's message part
// and calls MessageBeep(0); the CLI writes UTF-8 to stderr; tests record every call in order.

namespace status {

// The message part of the status line; an empty text clears it. Dropped while no status bar exists.
void showStatus(const char* text);
void beep();
// Whether the front end shows how current the board is (the status line's time part, the time of
// the last good read): the window once its status bar exists; not the CLI, which prints no time.
bool showsBoardTime();
// The board in memory was just read whole or found unchanged: how current it is starts again from now.
void boardRead();

}  // namespace status
