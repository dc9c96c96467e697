#pragma once
// What a row says in words, the same for the window, the CLI and the web page: the four states the
// entry dialog offers, how long a typed text may be, and what column 0 shows.
#include <cstddef>

#include "store/board.h"

namespace store {

// The entry dialog's four states, in its order; the row icons, the "自分の状態" menu and its toolbar
// buttons follow the same order. A state typed freely, or none, is State::none.
enum class State { office, home, outReturning, outGoingHome, none };
constexpr int StateCount = 4;
// CP932, as the board holds them.
inline constexpr const char* StateTexts[StateCount] = {"社内", "帰宅", "外出・戻り", "外出・直帰"};
// The one state that asks for a return time, and whose row turns overdue once it has passed.
constexpr State ReturningState = State::outReturning;

const char* stateText(State state);
State stateOf(const char* text);
// The slot's state field, bounded by its size.
State stateOfRow(const BoardImage& image, int slot);

// The most bytes the entry dialog takes in each typed field.
constexpr size_t MorningLimit = fieldInfo(Field::morning).inputLimit;
constexpr size_t AfternoonLimit = fieldInfo(Field::afternoon).inputLimit;
constexpr size_t ReturnLimit = fieldInfo(Field::returnTime).inputLimit;
constexpr size_t StateLimit = fieldInfo(Field::state).inputLimit;

// A cell as every front end shows it: column 0 (Field::name) is the name from this PC's name list
// (names, as the share's displayNames), since the image's own name area holds whatever the last
// writer's list said (the image's, without names); the others are the image's fields. Bounded by the field's size and
// outSize.
size_t cellText(const BoardImage& image, const char (*names)[NameSize], int slot, Field field, char* out,
                size_t outSize);

}  // namespace store
