#pragma once
// A member's row as it stood at some moment: what a writer saw, so a row another PC changed since is
// noticed (store::writeRow with seen) rather than overwritten unasked.
#include "store/access.h"
#include "store/board.h"

namespace store {

// Room for each field's whole text and a NUL: a field may fill its bytes, and a copy cut one byte
// short would never read as the row it was taken from.
struct RowCopy {
  char morning[PlanSize + 1];
  char afternoon[PlanSize + 1];
  char state[StateSize + 1];
  char returnTime[ReturnTimeSize + 1];
  char written[WrittenSize + 1];
};

// The slot's row from an image as it is now.
inline void copyRow(const BoardImage& image, int slot, RowCopy& out) {
  fieldTextOf(image, slot, Field::morning, out.morning, sizeof out.morning);
  fieldTextOf(image, slot, Field::afternoon, out.afternoon, sizeof out.afternoon);
  fieldTextOf(image, slot, Field::state, out.state, sizeof out.state);
  fieldTextOf(image, slot, Field::returnTime, out.returnTime, sizeof out.returnTime);
  fieldTextOf(image, slot, Field::writtenAt, out.written, sizeof out.written);
}

inline RowTexts textsOf(const RowCopy& row) {
  return {row.morning, row.afternoon, row.state, row.returnTime, row.written};
}

}  // namespace store
