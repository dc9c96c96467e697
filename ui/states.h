#pragma once
// The four states the entry dialog offers, in its order; the row icons, the "自分の状態" menu and
// its toolbar buttons follow the same order.
#include <cstring>

namespace ui {

enum class State { office, home, outReturning, outGoingHome, none };
constexpr int StateCount = 4;
inline const char* const States[StateCount] = {"社内", "帰宅", "外出・戻り", "外出・直帰"};

inline const char* stateText(State state) { return state == State::none ? "" : States[static_cast<int>(state)]; }

// A state typed freely, or none, is State::none.
inline State stateOf(const char* text) {
  for (int i = 0; i < StateCount; ++i)
    if (std::strcmp(text, States[i]) == 0) return static_cast<State>(i);
  return State::none;
}

}  // namespace ui
