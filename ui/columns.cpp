#include "ui/columns.h"

#include "store/row_words.h"

namespace ui {

namespace {

template <store::Field F>
size_t fieldCell(const store::BoardImage& image, const char (*names)[store::NameSize], int slot, char* out,
                 size_t size) {
  return store::cellText(image, names, slot, F, out, size);
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
};
static_assert(sizeof Columns / sizeof Columns[0] == ColumnCount, "ColumnCount counts the table");
constexpr int ReturnTimeColumn = 3;

}  // namespace

const Column& columnAt(int column) { return Columns[column >= 0 && column < ColumnCount ? column : 0]; }

bool showsOverdue(int column) { return column == ReturnTimeColumn; }

}  // namespace ui
