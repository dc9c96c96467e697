#pragma once
// Moving the board image between the share and this client, under the lock, with retries.

namespace store {

constexpr int Attempts = 20;

// Replaces the image with the board file. 1 when replaced, 0 otherwise.
int refreshBoard();

// The timer's refresh. When the board file looks as it did at our last locked read or write (its
// size and time written, one metadata query, no lock), the image is current and 1 comes at once;
// anything else is a full refreshBoard().
int refreshIfChanged();
// Makes the next refreshIfChanged read in full (another board, another process state).
void forgetBoardStamp();

// The five texts of a row, named so that they cannot be passed in the wrong order.
struct RowTexts {
  const char* morning;
  const char* afternoon;
  const char* state;
  const char* returnTime;
  const char* written;
};

// Writes the texts into the slot's row of the file and of the image by a locked read-modify-write
// of the whole image. 1 when the file took the row, 0 otherwise.
int writeRow(int slot, const RowTexts& texts);

}  // namespace store
