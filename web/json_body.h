#pragma once
// The body of a row edit: one flat JSON object whose values are strings, with known keys only.
#include <cstddef>

namespace web {

// seenGeneration (the page's): the time written has whole minutes only, so two writes within a
// minute are told apart by the generation of the rows the page showed.
enum class EditKey { morning, afternoon, returnTime, state, seenWrittenAt, seenGeneration };
constexpr int EditKeyCount = 6;
// A value longer than this cannot be a field's text in any encoding; it is refused while parsing.
constexpr size_t EditValueSize = 1024;

struct RowEdit {
  bool given[EditKeyCount];
  char value[EditKeyCount][EditValueSize];  // UTF-8, NUL-terminated
};

// Parses body (len bytes). False with a short reason: not JSON, not an object, an unknown or repeated
// key, a value that is not a string, or one too long.
bool parseRowEdit(const char* body, size_t len, RowEdit& out, char* reason, size_t reasonSize);

}  // namespace web
