#pragma once
// The texts of a row as the entry dialog would pass them (text/entry_text.h), and picking the member
// to write.
#include "store/row_words.h"
#include "text/entry_text.h"

namespace cli {

using store::AfternoonLimit;
using store::MorningLimit;
using store::ReturnLimit;
using store::StateLimit;
using text::currentText;
using text::dialogText;
using text::nameCharacter;
using text::TextCheck;

// Slots whose display name equals name exactly (CP932); the count of matches, of which the first
// maxMatches are stored.
int matchMembers(const char* name, int* matches, int maxMatches);

}  // namespace cli
