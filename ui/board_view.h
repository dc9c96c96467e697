#pragma once
// What the window shows: its own copy of the board, brought up to date from the share worker's after
// each access (takePublished in share_worker.h), never while painting.
#include "store/board.h"
#include "text/timestamps.h"

namespace ui {

// What the window shows: the board, its names and the time of its last good read, as of the last
// answer. Only the window's thread reads or writes it.
struct BoardView {
  store::BoardImage board;
  char displayNames[store::MaxMembers][store::NameSize];
  int memberCount;
  char statusInfoText[text::StatusInfoSize];
  bool lockBusy;      // the last access ended with another PC's lock still there
  bool namesMissing;  // the name list could not be opened
  bool namesUtf8;     // the list as loaded looks like UTF-8
  int namesIgnored;   // names of the list past the board's 300 rows
};
BoardView& boardView();

}  // namespace ui
