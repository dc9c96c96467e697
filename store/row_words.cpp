#include "store/row_words.h"

#include <cstring>

#include "text/bounded.h"

namespace store {

const char* stateText(State state) { return state == State::none ? "" : StateTexts[static_cast<int>(state)]; }

State stateOf(const char* text) {
  for (int i = 0; i < StateCount; ++i)
    if (std::strcmp(text, StateTexts[i]) == 0) return static_cast<State>(i);
  return State::none;
}

State stateOfRow(const BoardImage& image, int slot) {
  char state[StateSize + 1];
  fieldTextOf(image, slot, Field::state, state, sizeof state);
  return stateOf(state);
}

size_t cellText(const BoardImage& image, const char (*names)[NameSize], int slot, Field field, char* out,
                size_t outSize) {
  if (field != Field::name || !names) return fieldTextOf(image, slot, field, out, outSize);
  if (slot < 0 || slot >= MaxMembers) {
    if (outSize) out[0] = '\0';
    return 0;
  }
  return text::copyField(out, outSize, names[slot], NameSize);
}

}  // namespace store
