#include "cli/output.h"

#include <cstring>

#include "store/board.h"
#include "text/bounded.h"
#include "text/cp932.h"

namespace cli {

namespace {

constexpr const char* Headers[store::FieldCount] = {"氏名(電話)", "午前", "午後", "帰社予定", "状態", "書き込み時間"};
constexpr const char* JsonKeys[store::FieldCount] = {"name",       "morning", "afternoon",
                                                     "returnTime", "state",   "writtenAt"};

struct Cell {
  char text[store::WrittenSize + 1];
  size_t length;
};

void cellOf(const RowSource& rows, int slot, int field, Cell& cell) {
  if (field == 0 && rows.names)
    cell.length = text::copyField(cell.text, sizeof cell.text, rows.names[slot], store::NameSize);
  else
    cell.length = store::fieldText(slot, static_cast<store::Field>(field), cell.text, sizeof cell.text);
}

bool shown(const RowSource& rows, int slot) {
  if (!rows.onlyFilled) return true;
  if (rows.names && rows.names[slot][0]) return true;
  return store::rowHasText(slot);
}

// Terminal width of a cell as writeTerminalText shows it (an escaped byte takes four columns).
size_t shownWidth(const char* cp932, size_t len) {
  size_t width = 0;
  for (size_t i = 0; i < len; ++i) {
    unsigned char b = static_cast<unsigned char>(cp932[i]);
    if (b < 0x20 || b == 0x7F) {
      width += 4;
    } else if (text::isLeadByte(b) && i + 1 < len) {
      width += 2;
      ++i;
    } else {
      width += 1;
    }
  }
  return width;
}

void pad(FILE* out, size_t n) {
  while (n--) std::fputc(' ', out);
}

}  // namespace

void writeTerminalText(FILE* out, const char* cp932, size_t len) {
  size_t start = 0;
  for (size_t i = 0; i <= len; ++i) {
    unsigned char b = i < len ? static_cast<unsigned char>(cp932[i]) : 0;
    bool control = i < len && (b < 0x20 || b == 0x7F);
    bool lead = i < len && text::isLeadByte(b) && i + 1 < len;
    if (i == len || control) {
      char utf8[1024];
      size_t n = text::cp932ToUtf8(cp932 + start, i - start, utf8, sizeof utf8);
      // The converter yields printable text only; C0 bytes never reach it.
      std::fwrite(utf8, 1, n, out);
      if (control) std::fprintf(out, "\\x%02x", b);
      start = i + 1;
    } else if (lead) {
      ++i;
    }
  }
}

void writeJsonString(FILE* out, const char* cp932, size_t len) {
  char utf8[1024];
  size_t n = text::cp932ToUtf8(cp932, len, utf8, sizeof utf8);
  std::fputc('"', out);
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c == '"' || c == '\\') {
      std::fputc('\\', out);
      std::fputc(c, out);
    } else if (c < 0x20 || c == 0x7F) {
      std::fprintf(out, "\\u%04x", c);
    } else {
      std::fputc(c, out);
    }
  }
  std::fputc('"', out);
}

void printTable(FILE* out, const RowSource& rows) {
  size_t widths[store::FieldCount];
  for (int f = 0; f < store::FieldCount; ++f) widths[f] = text::displayWidth(Headers[f], std::strlen(Headers[f]));
  Cell cell;
  for (int slot = 0; slot < rows.count; ++slot) {
    if (!shown(rows, slot)) continue;
    for (int f = 0; f < store::FieldCount; ++f) {
      cellOf(rows, slot, f, cell);
      size_t w = shownWidth(cell.text, cell.length);
      if (w > widths[f]) widths[f] = w;
    }
  }
  std::fputs("slot  ", out);
  for (int f = 0; f < store::FieldCount; ++f) {
    writeTerminalText(out, Headers[f], std::strlen(Headers[f]));
    if (f + 1 < store::FieldCount) pad(out, widths[f] - text::displayWidth(Headers[f], std::strlen(Headers[f])) + 2);
  }
  std::fputc('\n', out);
  for (int slot = 0; slot < rows.count; ++slot) {
    if (!shown(rows, slot)) continue;
    std::fprintf(out, "%4d  ", slot);
    for (int f = 0; f < store::FieldCount; ++f) {
      cellOf(rows, slot, f, cell);
      writeTerminalText(out, cell.text, cell.length);
      if (f + 1 < store::FieldCount) pad(out, widths[f] - shownWidth(cell.text, cell.length) + 2);
    }
    std::fputc('\n', out);
  }
}

void printJson(FILE* out, const RowSource& rows) {
  Cell cell;
  bool first = true;
  std::fputc('[', out);
  for (int slot = 0; slot < rows.count; ++slot) {
    if (!shown(rows, slot)) continue;
    std::fprintf(out, "%s\n  {\"slot\": %d", first ? "" : ",", slot);
    first = false;
    for (int f = 0; f < store::FieldCount; ++f) {
      cellOf(rows, slot, f, cell);
      std::fprintf(out, ", \"%s\": ", JsonKeys[f]);
      writeJsonString(out, cell.text, cell.length);
    }
    std::fputc('}', out);
  }
  std::fputs(first ? "]\n" : "\n]\n", out);
}

}  // namespace cli
