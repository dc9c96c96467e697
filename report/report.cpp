#include "report/report.h"

#include <cstring>

#include "store/board.h"
#include "store/row_flags.h"
#include "store/row_words.h"
#include "text/bounded.h"
#include "text/cp932.h"

namespace report {

namespace {

// Text is converted in runs of at most this many CP932 bytes, so any length fits the buffer.
constexpr size_t RunBytes = 256;

struct Cell {
  char text[store::WrittenSize + 1];
  size_t length;
};

void cellOf(const Rows& rows, int slot, int field, Cell& cell) {
  cell.length =
      store::cellText(*rows.image, rows.names, slot, static_cast<store::Field>(field), cell.text, sizeof cell.text);
}

bool shown(const Rows& rows, int slot) {
  if (!rows.onlyFilled) return true;
  if (rows.names && rows.names[slot][0]) return true;
  for (int f = 0; f < store::FieldCount; ++f)
    if (store::fieldBytesOf(*rows.image, slot, static_cast<store::Field>(f))[0] != '\0') return true;
  return false;
}

// A byte of CP932 text that must not reach a terminal raw: C0 controls, DEL, and 0x80, which is
// the C1 control U+0080. Only called for bytes that do not belong to a double-byte character.
bool escaped(unsigned char b) { return b < 0x20 || b == 0x7F || b == 0x80; }

// Terminal width of a cell as writeTerminalText shows it (an escaped byte takes four columns).
size_t shownWidth(const char* cp932, size_t len) {
  size_t width = 0;
  for (size_t i = 0; i < len; ++i) {
    unsigned char b = static_cast<unsigned char>(cp932[i]);
    if (escaped(b)) {
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

// Where the run that starts at start ends: at most RunBytes on, never inside a character.
size_t runEnd(const char* cp932, size_t len, size_t start) {
  size_t i = start;
  while (i < len) {
    const size_t step = text::isLeadByte(static_cast<unsigned char>(cp932[i])) && i + 1 < len ? 2 : 1;
    if (i + step - start > RunBytes) break;
    i += step;
  }
  return i;
}

// One run of a JSON string literal's content.
void writeJsonRun(FILE* out, const char* cp932, size_t len) {
  char utf8[RunBytes * 3 + 1];
  const size_t n = text::cp932ToUtf8(cp932, len, utf8, sizeof utf8);
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c == '"' || c == '\\') {
      std::fputc('\\', out);
      std::fputc(c, out);
    } else if (c < 0x20 || c == 0x7F) {
      std::fprintf(out, "\\u%04x", c);
    } else if (c == 0xC2 && i + 1 < n && static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
      // C1 controls (U+0080-U+009F) act on a terminal too, when the JSON is only looked at.
      std::fprintf(out, "\\u%04x", static_cast<unsigned char>(utf8[++i]));
    } else {
      std::fputc(c, out);
    }
  }
}

// Converts and writes CP932 text that holds nothing to escape, a run at a time.
void writeRun(FILE* out, const char* cp932, size_t len) {
  for (size_t start = 0; start < len;) {
    const size_t end = runEnd(cp932, len, start);
    char utf8[RunBytes * 3 + 1];
    const size_t n = text::cp932ToUtf8(cp932 + start, end - start, utf8, sizeof utf8);
    std::fwrite(utf8, 1, n, out);
    start = end;
  }
}

void pad(FILE* out, size_t n) {
  while (n--) std::fputc(' ', out);
}

const char* truth(bool b) { return b ? "true" : "false"; }

// What Excel runs as a formula, or as the start of one, when a cell begins with it.
bool startsFormula(const char* cp932, size_t len) { return len > 0 && cp932[0] && std::strchr("=+-@\t\r", cp932[0]); }

// A quoted CSV field: a quote doubled (0x22 is never the second byte of a CP932 character).
void writeCsvField(FILE* out, const char* cp932, size_t len, bool terminal) {
  std::fputc('"', out);
  if (startsFormula(cp932, len)) std::fputc('\'', out);
  size_t start = 0;
  for (size_t i = 0; i <= len; ++i) {
    if (i < len && cp932[i] != '"') continue;
    (terminal ? writeTerminalText : writeRun)(out, cp932 + start, i - start);
    if (i < len) std::fputs("\"\"", out);
    start = i + 1;
  }
  std::fputc('"', out);
}

}  // namespace

void writeTerminalText(FILE* out, const char* cp932, size_t len) {
  size_t start = 0;
  for (size_t i = 0; i < len;) {
    const unsigned char b = static_cast<unsigned char>(cp932[i]);
    const size_t step = text::isLeadByte(b) && i + 1 < len ? 2 : 1;
    if (step == 1 && escaped(b)) {
      writeRun(out, cp932 + start, i - start);
      std::fprintf(out, "\\x%02x", b);
      start = i + 1;
    }
    i += step;
  }
  writeRun(out, cp932 + start, len - start);
}

void writeTerminalUtf8(FILE* out, const char* utf8, size_t len) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8);
  for (size_t i = 0; i < len;) {
    const size_t n = text::utf8Length(s + i, len - i);
    const bool c1 = n == 2 && s[i] == 0xC2 && s[i + 1] < 0xA0;
    if (n == 0 || c1 || s[i] < 0x20 || s[i] == 0x7F) {
      std::fprintf(out, "\\x%02x", s[i]);
      ++i;
    } else {
      std::fwrite(s + i, 1, n, out);
      i += n;
    }
  }
}

void writeJsonString(FILE* out, const char* cp932, size_t len) {
  std::fputc('"', out);
  for (size_t start = 0; start < len;) {
    const size_t end = runEnd(cp932, len, start);
    writeJsonRun(out, cp932 + start, end - start);
    start = end;
  }
  std::fputc('"', out);
}

void writeHtmlText(FILE* out, const char* cp932, size_t len) {
  size_t start = 0;
  for (size_t i = 0; i < len;) {
    const unsigned char b = static_cast<unsigned char>(cp932[i]);
    const size_t step = text::isLeadByte(b) && i + 1 < len ? 2 : 1;
    const char* reference = nullptr;
    switch (b) {
      case '&': reference = "&amp;"; break;
      case '<': reference = "&lt;"; break;
      case '>': reference = "&gt;"; break;
      case '"': reference = "&quot;"; break;
      case '\'': reference = "&#39;"; break;
      default: break;
    }
    const bool raw =
        step == 1 ? escaped(b) || (b >= 0x80 && !text::isAssigned(cp932 + i, 1)) : !text::isAssigned(cp932 + i, 2);
    if (reference || raw) {
      writeRun(out, cp932 + start, i - start);
      if (reference) std::fputs(reference, out);
      for (size_t k = 0; raw && k < step; ++k) std::fprintf(out, "\\x%02x", static_cast<unsigned char>(cp932[i + k]));
      start = i + step;
    }
    i += step;
  }
  writeRun(out, cp932 + start, len - start);
}

void printTable(FILE* out, const Rows& rows) {
  size_t widths[store::FieldCount];
  for (int f = 0; f < store::FieldCount; ++f)
    widths[f] = text::displayWidth(store::fields[f].header, std::strlen(store::fields[f].header));
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
    writeTerminalText(out, store::fields[f].header, std::strlen(store::fields[f].header));
    if (f + 1 < store::FieldCount)
      pad(out, widths[f] - text::displayWidth(store::fields[f].header, std::strlen(store::fields[f].header)) + 2);
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

void printJsonRow(FILE* out, const Rows& rows, int slot) {
  Cell cell;
  std::fprintf(out, "{\"slot\": %d", slot);
  for (int f = 0; f < store::FieldCount; ++f) {
    cellOf(rows, slot, f, cell);
    std::fprintf(out, ", \"%s\": ", store::fields[f].jsonKey);
    writeJsonString(out, cell.text, cell.length);
  }
  int count = 0;
  const store::FlagRule* flags = store::flagRules(count);
  const unsigned bits = store::flagsOf(*rows.image, slot, rows.now);
  for (int i = 0; i < count; ++i) std::fprintf(out, ", \"%s\": %s", flags[i].key, truth((bits >> i) & 1));
  std::fputc('}', out);
}

void printJson(FILE* out, const Rows& rows) {
  bool first = true;
  std::fputc('[', out);
  for (int slot = 0; slot < rows.count; ++slot) {
    if (!shown(rows, slot)) continue;
    std::fputs(first ? "\n  " : ",\n  ", out);
    first = false;
    printJsonRow(out, rows, slot);
  }
  std::fputs(first ? "]\n" : "\n]\n", out);
}

void printCsv(FILE* out, const Rows& rows, bool terminal, CsvFor reader) {
  const bool people = reader == CsvFor::people;
  if (people) {
    const char* const flags[] = {"番号", "帰社予定を過ぎた", "前日までの予定"};
    writeCsvField(out, flags[0], std::strlen(flags[0]), terminal);
    for (const store::FieldInfo& f : store::fields) {
      std::fputc(',', out);
      writeCsvField(out, f.header, std::strlen(f.header), terminal);
    }
    for (int i = 1; i < 3; ++i) {
      std::fputc(',', out);
      writeCsvField(out, flags[i], std::strlen(flags[i]), terminal);
    }
    std::fputs("\r\n", out);
  } else {
    std::fputs("slot", out);
    for (const store::FieldInfo& f : store::fields) std::fprintf(out, ",%s", f.jsonKey);
    std::fputs(",overdue,stale\r\n", out);
  }
  Cell cell;
  for (int slot = 0; slot < rows.count; ++slot) {
    if (!shown(rows, slot)) continue;
    std::fprintf(out, "%d", people ? slot + 1 : slot);
    for (int f = 0; f < store::FieldCount; ++f) {
      cellOf(rows, slot, f, cell);
      std::fputc(',', out);
      writeCsvField(out, cell.text, cell.length, terminal);
    }
    const bool overdue = store::isOverdue(*rows.image, slot, rows.now),
               stale = store::isStale(*rows.image, slot, rows.now);
    if (people) {
      std::fputc(',', out);
      if (overdue) writeRun(out, "はい", std::strlen("はい"));
      std::fputc(',', out);
      if (stale) writeRun(out, "はい", std::strlen("はい"));
      std::fputs("\r\n", out);
    } else {
      std::fprintf(out, ",%s,%s\r\n", truth(overdue), truth(stale));
    }
  }
}

}  // namespace report
