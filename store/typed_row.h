#pragma once
// A row as the entry dialog's OK writes it, from the texts a front end was given: each given text as
// the dialog would take it (text::dialogText), each one not given kept as the row holds it now, and a
// row with any text stamped with the time and its return time folded to ASCII. The CLI's set and the
// web page's edits write rows this way. In tavelin_cp932, beside the dialog's text rules.
#include <cstddef>

#include "store/access.h"
#include "store/board.h"
#include "store/row_words.h"
#include "text/timestamps.h"

namespace store {

// The four typed fields, in the dialog's order.
enum class Typed { morning, afternoon, returnTime, state };
constexpr int TypedCount = 4;

struct TypedRow {
  char morning[MorningLimit + 1];
  char afternoon[AfternoonLimit + 1];
  char returnTime[ReturnLimit + 1];
  char state[StateLimit + 1];
  char written[text::WrittenAtSize];
};

// The texts a front end was given (UTF-8) by Typed, null where one was not given; and the names its
// user knows them by ("--morning", "morning"), for the reasons.
using GivenTexts = const char* [TypedCount];
using TextNames = const char* const[TypedCount];

// One text as the dialog would take it into out (limit + 1 bytes); false with the reason, which names
// the text, in reason.
bool takeText(const char* name, const char* utf8, size_t limit, char* out, size_t outSize, char* reason,
              size_t reasonSize);

// Every given text taken into row, the others left empty; false at the first one refused.
bool takeTexts(const GivenTexts& given, const TextNames& names, TypedRow& row, char* reason, size_t reasonSize);

// The texts not given as the slot holds them now, read back as the dialog shows them; then, unless all
// four are empty (the row cleared, its time too), stamped now and the return time folded.
void completeRow(const BoardImage& image, int slot, const GivenTexts& given, TypedRow& row);

RowTexts textsOf(const TypedRow& row);

}  // namespace store
