#include "store/typed_row.h"

#include <cstdio>

#include "text/entry_text.h"
#include "text/fold.h"

namespace store {

namespace {

struct Place {
  Field field;
  size_t limit;
  char* out;
  size_t size;
};

Place placeOf(TypedRow& row, int typed) {
  switch (static_cast<Typed>(typed)) {
    case Typed::morning: return {Field::morning, MorningLimit, row.morning, sizeof row.morning};
    case Typed::afternoon: return {Field::afternoon, AfternoonLimit, row.afternoon, sizeof row.afternoon};
    case Typed::returnTime: return {Field::returnTime, ReturnLimit, row.returnTime, sizeof row.returnTime};
    case Typed::state: break;
  }
  return {Field::state, StateLimit, row.state, sizeof row.state};
}

}  // namespace

bool takeText(const char* name, const char* utf8, size_t limit, char* out, size_t outSize, char* reason,
              size_t reasonSize) {
  char what[48];
  size_t at = 0;
  switch (text::dialogText(utf8, limit, out, outSize, &at)) {
    case text::TextCheck::ok: return true;
    case text::TextCheck::tooLong:
      std::snprintf(reason, reasonSize, "%s is longer than %zu bytes in CP932", name, limit);
      return false;
    case text::TextCheck::notCp932:
      if (text::nameCharacter(utf8, at, what, sizeof what))
        std::snprintf(reason, reasonSize, "%s has %s, which CP932 cannot hold", name, what);
      else
        std::snprintf(reason, reasonSize, "%s is not UTF-8 (%s)", name, what);
      return false;
    case text::TextCheck::control: break;
  }
  std::snprintf(reason, reasonSize, "%s holds a control character, which every PC would show raw", name);
  return false;
}

bool takeTexts(const GivenTexts& given, const TextNames& names, TypedRow& row, char* reason, size_t reasonSize) {
  row = TypedRow{};
  for (int i = 0; i < TypedCount; ++i) {
    const Place p = placeOf(row, i);
    if (given[i] && !takeText(names[i], given[i], p.limit, p.out, p.size, reason, reasonSize)) return false;
  }
  return true;
}

void completeRow(const BoardImage& image, int slot, const GivenTexts& given, TypedRow& row) {
  for (int i = 0; i < TypedCount; ++i) {
    const Place p = placeOf(row, i);
    if (!given[i]) text::currentText(fieldBytesOf(image, slot, p.field), fieldSize(p.field), p.limit, p.out, p.size);
  }
  row.written[0] = '\0';
  if (!row.morning[0] && !row.afternoon[0] && !row.returnTime[0] && !row.state[0]) return;
  text::formatWrittenAt(row.written);
  text::foldFullWidth(row.returnTime);
}

RowTexts textsOf(const TypedRow& row) { return {row.morning, row.afternoon, row.state, row.returnTime, row.written}; }

}  // namespace store
