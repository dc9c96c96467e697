#include "ui/columns.h"

#include "store/row_words.h"
#include "text/bounded.h"
#include "text/cp932.h"

namespace ui {

namespace {

template <store::Field F>
size_t fieldCell(const store::BoardImage& image, const char (*names)[store::NameSize], int slot, char* out,
                 size_t size) {
  return store::cellText(image, names, slot, F, out, size);
}

// The extension a name carries in its last parentheses: "山田 太郎(101)", or full width "（内線101）".
size_t extensionCell(const store::BoardImage&, const char (*names)[store::NameSize], int slot, char* out, size_t size) {
  char name[store::NameSize + 1];
  const size_t n = text::copyField(name, sizeof name, names[slot], store::NameSize);
  size_t from = 0, to = 0, start = 0;
  bool inside = false;
  for (size_t i = 0; i < n;) {
    const unsigned char b = static_cast<unsigned char>(name[i]);
    const size_t length = text::isLeadByte(b) && i + 1 < n ? 2 : 1;
    const unsigned char trail = length == 2 ? static_cast<unsigned char>(name[i + 1]) : 0;
    if (b == '(' || (b == 0x81 && trail == 0x69)) {
      start = i + length;
      inside = true;
    } else if (inside && (b == ')' || (b == 0x81 && trail == 0x6A))) {
      from = start;
      to = i;
      inside = false;
    }
    i += length;
  }
  return text::copyField(out, size, name + from, to - from);
}

template <store::Field F>
constexpr const char* header() {
  return store::fieldInfo(F).header;
}

using P = settings::Preferences;
using store::Field;

const Column Columns[] = {
    {header<Field::name>(), &P::colWidthName, nullptr, 70, Fit::name, fieldCell<Field::name>},
    {header<Field::morning>(), &P::colWidthMorning, nullptr, 100, Fit::asIs, fieldCell<Field::morning>},
    {header<Field::afternoon>(), &P::colWidthAfternoon, nullptr, 100, Fit::asIs, fieldCell<Field::afternoon>},
    {header<Field::returnTime>(), &P::colWidthReturn, nullptr, 60, Fit::asIs, fieldCell<Field::returnTime>},
    {header<Field::state>(), &P::colWidthState, nullptr, 50, Fit::states, fieldCell<Field::state>},
    {header<Field::writtenAt>(), &P::colWidthWritten, nullptr, 220, Fit::stamp, fieldCell<Field::writtenAt>},
    {"内線", nullptr, "Extension", 50, Fit::asIs, extensionCell},
};
static_assert(sizeof Columns / sizeof Columns[0] == ColumnCount, "ColumnCount counts the table");
constexpr int ReturnTimeColumn = 3;

}  // namespace

const Column& columnAt(int column) { return Columns[column >= 0 && column < ColumnCount ? column : 0]; }

bool showsOverdue(int column) { return column == ReturnTimeColumn; }

}  // namespace ui
