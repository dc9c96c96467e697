#include "store/board.h"

#include <cstddef>
#include <cstring>

#include "store/share.h"
#include "text/bounded.h"

namespace store {

void clearBoard(Share& share) {
  BoardImage& board = share.board;
  for (int slot = 0; slot < MaxMembers; ++slot) {
    board.boardNames[slot][0] = '\0';
    board.entries[slot].morning[0] = '\0';
    board.entries[slot].afternoon[0] = '\0';
    board.entries[slot].state[0] = '\0';
    board.returnTimes[slot][0] = '\0';
    board.writtenAt[slot][0] = '\0';
    share.displayNames[slot][0] = '\0';
  }
}

void replaceImage(Share& share, const unsigned char* buffer) { std::memcpy(&share.board, buffer, BoardSize); }

void setRow(Share& share, int slot, const char* morning, const char* afternoon, const char* state,
            const char* returnTime, const char* written) {
  BoardImage& board = share.board;
  if (slot < 0 || slot >= MaxMembers) return;
  // Bounded copies: over-long input is cut rather than spilled into the next field.
  text::storeText(board.entries[slot].morning, PlanSize, morning);
  text::storeText(board.entries[slot].afternoon, PlanSize, afternoon);
  text::storeText(board.entries[slot].state, StateSize, state);
  text::storeText(board.returnTimes[slot], ReturnTimeSize, returnTime);
  text::storeText(board.writtenAt[slot], WrittenSize, written);
}

const char* fieldBytesOf(const BoardImage& image, int slot, Field field) {
  const FieldInfo& f = fieldInfo(field);
  return reinterpret_cast<const char*>(&image) + f.offset + f.stride * static_cast<size_t>(slot);
}

const char* fieldBytes(const Share& share, int slot, Field field) { return fieldBytesOf(share.board, slot, field); }

size_t fieldSize(Field field) { return fieldInfo(field).size; }

size_t fieldTextOf(const BoardImage& image, int slot, Field field, char* out, size_t outSize) {
  if (slot < 0 || slot >= MaxMembers) {
    if (outSize) out[0] = '\0';
    return 0;
  }
  return text::copyField(out, outSize, fieldBytesOf(image, slot, field), fieldSize(field));
}

size_t fieldText(const Share& share, int slot, Field field, char* out, size_t outSize) {
  return fieldTextOf(share.board, slot, field, out, outSize);
}

bool rowHasText(const BoardImage& image, int slot) {
  for (int f = 0; f < FieldCount; ++f)
    if (fieldBytesOf(image, slot, static_cast<Field>(f))[0] != '\0') return true;
  return false;
}

}  // namespace store
