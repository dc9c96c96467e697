#pragma once
// Moving the board image between the share and this client, under the lock, with retries.
#include "store/attempts.h"

namespace store {

struct Share;

// Replaces the image with the board file. 1 when replaced, 0 otherwise.
int refreshBoard(Share& share);

// The timer's look, without the lock: the change ring's head and the entries the image lacks (see
// change_ring.h), a whole read kept only when its CRC proves it, and under the lock what the ring cannot
// account for. 1 when the image is current, 0 when a lock or a failure kept it from being so.
// whenLocked: what a lock another client holds makes of it: named in the status line (the timer's, so a
// lock left behind shows), or nothing (a folder watch's look, which the lock's own going wakes again).
enum class WhenLocked { named, quiet };
// On a coarse share a locked read proves the board only once the write's tick (at most 2 s) has passed.
// A timer's look that takes the lock within the tick of a stamp not proven yet reads nothing: it shows
// the ring's head, sets share.proofDeferred and leaves the proof to the next named look, which the front
// end makes about this long later (with a spread). By then one PC's read proves, and the others find
// its mark rather than each reading under the lock.
constexpr unsigned ProofLookMs = 3000;
int refreshIfChanged(Share& share, WhenLocked whenLocked);
int refreshIfChanged(Share& share);  // named
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
