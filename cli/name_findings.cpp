#include "cli/name_findings.h"

#include <cstring>

#include "cli/session.h"
#include "report/report.h"
#include "store/board.h"
#include "store/names.h"
#include "text/bounded.h"
#include "text/cp932.h"

namespace cli {

namespace {

void add(NameReport& out, FindingKind kind, int slot, int other, size_t size) {
  if (!isNote(kind)) ++out.errors;
  if (out.count >= MaxFindings) {
    ++out.dropped;
    return;
  }
  out.findings[out.count++] = Finding{kind, slot, other, size};
}

bool startsWith(const unsigned char* bytes, size_t count, const char* prefix) {
  const size_t n = std::strlen(prefix);
  return count >= n && std::memcmp(bytes, prefix, n) == 0;
}

// Findings about the encoding; true when there is one, and every garbled name is then its doing.
bool checkEncoding(NameReport& out, const unsigned char* bytes, size_t count) {
  if (looksUtf16(bytes, count)) {
    add(out, FindingKind::utf16, -1, -1, 0);
    return true;
  }
  const bool mark = startsWith(bytes, count, "\xEF\xBB\xBF");
  if (mark) add(out, FindingKind::byteOrderMark, -1, -1, 0);
  const size_t skip = mark ? 3 : 0;
  const bool utf8 = text::looksUtf8(bytes + skip, count - skip);
  if (utf8) add(out, FindingKind::utf8, -1, -1, 0);
  return mark || utf8;
}

// Undefined codes and control bytes of a stored name, one finding per kind with the first of them.
void checkCodes(NameReport& out, int slot, const char* name, size_t length, bool encodingReported) {
  int controls = 0, undefined = 0, firstControl = 0, firstUndefined = 0;
  for (size_t i = 0; i < length;) {
    const unsigned char b = static_cast<unsigned char>(name[i]);
    const size_t n = text::isLeadByte(b) && i + 1 < length ? 2 : 1;
    if (n == 1 && (b < 0x20 || b == 0x7F)) {
      if (controls++ == 0) firstControl = b;
    } else if (!text::isAssigned(name + i, n)) {
      if (undefined++ == 0) firstUndefined = n == 2 ? (b << 8) | static_cast<unsigned char>(name[i + 1]) : b;
    }
    i += n;
  }
  if (controls) add(out, FindingKind::controlByte, slot, firstControl, static_cast<size_t>(controls));
  if (undefined && !encodingReported)
    add(out, FindingKind::undefinedCode, slot, firstUndefined, static_cast<size_t>(undefined));
}

void checkName(NameReport& out, int slot, const store::ScannedName& raw, bool encodingReported) {
  const char* name = share().displayNames[slot];
  const size_t length = text::fieldLength(name, store::NameSize);
  const size_t kept = raw.length < sizeof raw.bytes ? raw.length : sizeof raw.bytes;
  const void* nul = std::memchr(raw.bytes, 0, kept);
  const size_t nulAt = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - raw.bytes) : raw.length;
  if (nulAt > store::NameLimit) add(out, FindingKind::cut, slot, -1, raw.length);
  if (raw.length > nulAt + 1) add(out, FindingKind::afterNul, slot, -1, raw.length - nulAt - 1);
  checkCodes(out, slot, name, length, encodingReported);
  const size_t columns = text::displayWidth(name, length);
  if (columns > WideNameColumns && !encodingReported) add(out, FindingKind::tooWide, slot, -1, columns);
  if (length == 0) {
    add(out, FindingKind::empty, slot, -1, 0);
    return;
  }
  for (int earlier = 0; earlier < slot; ++earlier) {
    const char* other = share().displayNames[earlier];
    if (text::fieldLength(other, store::NameSize) == length && std::memcmp(other, name, length) == 0) {
      add(out, FindingKind::duplicate, slot, earlier, 0);
      break;
    }
  }
}

}  // namespace

bool looksUtf16(const unsigned char* bytes, size_t count) {
  if (startsWith(bytes, count, "\xFF\xFE") || startsWith(bytes, count, "\xFE\xFF")) return true;
  size_t nuls[2] = {0, 0};
  for (size_t i = 0; i < count; ++i) nuls[i % 2] += bytes[i] == 0;
  return nuls[0] + nuls[1] >= 2 && (nuls[0] == 0 || nuls[1] == 0);
}

void checkNameList(const unsigned char* bytes, size_t count, size_t fileSize, NameReport& out) {
  out.members = 0;
  out.errors = 0;
  out.count = 0;
  out.dropped = 0;
  if (count > store::NameListWindow) count = store::NameListWindow;
  const bool encodingReported = checkEncoding(out, bytes, count);
  // As loadNameList does: the parse appends to what is there.
  store::clearBoard(share());
  share().memberCount = 0;
  store::parseNameList(share(), bytes, count);
  out.members = share().memberCount;

  // The same scan again, for what the parse cut or dropped on the way.
  size_t pos = 0;
  int slot = 0;
  store::ScannedName raw;
  while (slot < store::MaxMembers && store::scanName(bytes, count, pos, raw)) {
    if (!raw.ended) {
      if (raw.length > 0) add(out, FindingKind::trailingText, -1, -1, raw.length);
      break;
    }
    checkName(out, slot++, raw, encodingReported);
  }
  size_t ignored = 0;
  while (store::scanName(bytes, count, pos, raw)) ignored += raw.ended;
  if (ignored) add(out, FindingKind::pastLimit, -1, -1, ignored);
  if (out.members == 0) add(out, FindingKind::noNames, -1, -1, 0);
  if (fileSize > store::NameListWindow) add(out, FindingKind::pastWindow, -1, -1, fileSize - store::NameListWindow);
}

namespace {

// Program literals are CP932; they reach the terminal as UTF-8 like any other text.
void say(FILE* out, const char* cp932) { report::writeTerminalText(out, cp932, std::strlen(cp932)); }

void printName(FILE* out, int slot) {
  const char* name = share().displayNames[slot];
  std::fprintf(out, "slot %d \"", slot);
  report::writeTerminalText(out, name, text::fieldLength(name, store::NameSize));
  std::fputs("\": ", out);
}

void printCode(FILE* out, int code) {
  if (code > 0xFF)
    std::fprintf(out, "0x%02x 0x%02x", code >> 8, code & 0xFF);
  else
    std::fprintf(out, "0x%02x", code);
}

void printEncoding(FILE* out, const char* japanese, const char* english) {
  std::fputs("file: ", out);
  say(out, japanese);
  std::fprintf(out, "\n      %s\n", english);
}

void printFinding(FILE* out, const Finding& f) {
  if (isNote(f.kind)) std::fputs("note: ", out);
  if (f.slot >= 0) printName(out, f.slot);
  switch (f.kind) {
    case FindingKind::byteOrderMark:
      printEncoding(
          out,
          "先頭に BOM（バイト順マーク）があり、最初の名前の一部になります。Shift-JIS（CP932）で保存し直してください。",
          "the file starts with a byte-order mark, which becomes part of the first name: save it as "
          "Shift-JIS (CP932)");
      break;
    case FindingKind::utf16:
      printEncoding(out, "この名前リストは UTF-16 で保存されています。Shift-JIS（CP932）で保存し直してください。",
                    "the list is saved as UTF-16 (Unicode): save it as Shift-JIS (CP932)");
      break;
    case FindingKind::utf8:
      printEncoding(
          out,
          "この名前リストは UTF-8 で保存されていて、各PCでは文字化けします。Shift-JIS（CP932）で保存し直してください。",
          "the list is saved as UTF-8, which every PC shows garbled: save it as Shift-JIS (CP932)");
      break;
    case FindingKind::cut:
      std::fprintf(out, "%zu bytes long, cut to %zu bytes\n", f.size,
                   text::fieldLength(share().displayNames[f.slot], store::NameSize));
      break;
    case FindingKind::afterNul:
      std::fprintf(out, "a NUL byte inside; the %zu bytes after it are lost\n", f.size);
      break;
    case FindingKind::undefinedCode:
      std::fprintf(out, "%zu code(s) that are no CP932 character, the first ", f.size);
      printCode(out, f.other);
      std::fputc('\n', out);
      break;
    case FindingKind::controlByte:
      std::fprintf(out, "%zu control byte(s), shown raw on every PC, the first ", f.size);
      printCode(out, f.other);
      std::fputc('\n', out);
      break;
    case FindingKind::tooWide:
      std::fprintf(out, "%zu half-width columns, more than the %zu the column shows\n", f.size, WideNameColumns);
      break;
    case FindingKind::empty: std::fputs("empty name (an empty row on the board)\n", out); break;
    case FindingKind::duplicate: std::fprintf(out, "same name as slot %d\n", f.other); break;
    case FindingKind::trailingText:
      std::fprintf(out, "%zu bytes after the last ';' are no name and are dropped\n", f.size);
      break;
    case FindingKind::pastLimit: std::fprintf(out, "%zu names past the 300th are ignored\n", f.size); break;
    case FindingKind::noNames: std::fputs("no names: the board would be empty\n", out); break;
    case FindingKind::pastWindow: std::fprintf(out, "%zu bytes past the first 32,768 are never read\n", f.size); break;
  }
}

}  // namespace

void printReport(FILE* out, const NameReport& report) {
  for (int i = 0; i < report.count; ++i) printFinding(out, report.findings[i]);
  if (report.dropped) std::fprintf(out, "... and %d findings more\n", report.dropped);
}

}  // namespace cli
