#pragma once
// Moving the board image between the share and this client, under the lock, with retries.
#include "store/attempts.h"

namespace store {

struct Share;

// Replaces the image with the board file. 1 when replaced, 0 otherwise.
int refreshBoard(Share& share);

// The timer's refresh. When the board file looks as it did at our last locked read or write (its
// size and time written, one metadata query, no lock), the image is current and 1 comes at once;
// anything else is a full refreshBoard().
int refreshIfChanged(Share& share);
// Makes the next refreshIfChanged read in full (another board, another process state).
void forgetBoardStamp(Share& share);
// The board file's size seen while this client holds the lock, with the usual patience: a board in
// its first write (an empty one being filled) is short only while its writer holds the lock. -1 when
// the lock or the size could not be had.
long long lockedBoardSize(Share& share);

// The five texts of a row, named so that they cannot be passed in the wrong order.
struct RowTexts {
  const char* morning;
  const char* afternoon;
  const char* state;
  const char* returnTime;
  const char* written;
};

constexpr int RowChanged = 2;
// The write failed and could not be undone, so it may be on the board: the image holds the board as
// read back then (the row as written where no read could be had). Not retried.
constexpr int MayHaveLanded = 3;

// Writes the texts into the slot's row of the file and of the image by a locked read-modify-write
// of the whole image. 1 when the file took the row, 0 when it did not, MayHaveLanded when that
// could not be told. Given seen (the row as the writer last read it), a row that reads otherwise
// under the lock is left as it is: RowChanged, and the image holds the board as read, so the writer
// can show what the other PC wrote.
int writeRow(Share& share, int slot, const RowTexts& texts, const RowTexts* seen = nullptr);

}  // namespace store
