#pragma once
// The window's commands, one table: each with its id, its name on the toolbar, its key, its toolbar
// picture, when it can be taken and what runs it. The menu's greying, the toolbar's buttons and
// tooltips, and the keys all come from it; the menu's items and mnemonics are the resource script's.
#include <windows.h>

#include "store/row_words.h"

namespace ui {

// When a command can be taken: any time; not during an access; besides, once my row is known; besides,
// in a build that names a project page.
enum class When { always, idle, idleMine, idlePage };

struct Command {
  int id;
  const char* name;  // for its tooltip (CP932); a state's command is named by its state
  WORD key;          // a virtual key, 0 for none
  BYTE keyFlags;     // FCONTROL and the like
  int picture;       // in the toolbar's strip, -1 for no button
  When when;
  void (*run)(HWND window);  // null for a state's command
  store::State state;        // the state it sets as mine, or none
};

// Every command, in the toolbar's order.
const Command* commands(int& count);
// The command of an id, or null.
const Command* commandOf(int id);

// WM_COMMAND from the menu, the toolbar or a key; ids without a command here do nothing. During an
// access only what changes the view and Exit (which waits for the access) are taken.
void runCommand(HWND window, int id);
// The keys of the table, for the message loop (the caller destroys it).
HACCEL createAccelerators();
// A command's tooltip: its name or its state's words, and its key ("リストのアップデート (F5)").
void commandTip(const Command& command, char* out, size_t size);
// Whether the command can be taken now in the main window.
bool commandEnabled(HWND window, const Command& command);
// The menu as things stand: commands greyed when they cannot be taken.
void updateMenu(HWND window);

// The lock's state the worker read for the reset: the question, and on yes the reset.
void askToResetLock(HWND window);

}  // namespace ui
