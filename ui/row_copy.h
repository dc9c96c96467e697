#pragma once
// A member's row as it stood at some moment: what a writer saw, so a row another PC changed since is
// noticed (store::writeRow with seen) rather than overwritten unasked.
#include "store/access.h"
#include "store/board.h"
#include "store/share.h"

namespace ui {

// Room for each field's whole text and a NUL: a field may fill its bytes, and a copy cut one byte
// short would never read as the row it was taken from.
struct RowCopy {
  char morning[store::PlanSize + 1];
  char afternoon[store::PlanSize + 1];
  char state[store::StateSize + 1];
  char returnTime[store::ReturnTimeSize + 1];
  char written[store::WrittenSize + 1];
};

// The slot's row from the share's image as it is now.
inline void copyRow(const store::Share& share, int slot, RowCopy& out) {
  store::fieldText(share, slot, store::Field::morning, out.morning, sizeof out.morning);
  store::fieldText(share, slot, store::Field::afternoon, out.afternoon, sizeof out.afternoon);
  store::fieldText(share, slot, store::Field::state, out.state, sizeof out.state);
  store::fieldText(share, slot, store::Field::returnTime, out.returnTime, sizeof out.returnTime);
  store::fieldText(share, slot, store::Field::writtenAt, out.written, sizeof out.written);
}

inline store::RowTexts textsOf(const RowCopy& row) {
  return {row.morning, row.afternoon, row.state, row.returnTime, row.written};
}

}  // namespace ui
