#include "cli/new_name_list.h"

#include <cstring>

#include "cli/entry.h"
#include "cli/name_findings.h"
#include "store/names.h"
#include "text/cp932.h"

namespace cli {

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

constexpr size_t LineLimit = 1023;

// The line's name as CP932 into name, or the error that stops it (and what it refused).
NamesError convertLine(const char* begin, size_t len, char (&name)[LineLimit * 2 + 1], char (&refused)[48]) {
  for (size_t i = 0; i < len; ++i) {
    const char c = begin[i];
    if (c == ';' || c == '\t' || c == '\r' || c == '\0') return NamesError::separator;
  }
  char line[LineLimit + 1];
  if (len > LineLimit) return NamesError::tooLong;
  std::memcpy(line, begin, len);
  line[len] = '\0';
  size_t at = 0;
  if (text::utf8ToCp932(line, name, sizeof name, &at)) return NamesError::none;
  return nameCharacter(line, at, refused, sizeof refused) ? NamesError::notCp932 : NamesError::notUtf8;
}

}  // namespace

NamesResult buildNameList(const char* utf8, size_t len, char* out, size_t outSize) {
  NamesResult r{NamesError::none, 0, 0, 0, ""};
  if (looksUtf16(reinterpret_cast<const unsigned char*>(utf8), len)) {
    r.error = NamesError::utf16;
    return r;
  }
  if (len >= 3 && std::memcmp(utf8, "\xEF\xBB\xBF", 3) == 0) {  // a byte-order mark some editors write
    utf8 += 3;
    len -= 3;
  }
  const size_t limit = outSize < store::NameListWindow ? outSize : store::NameListWindow;
  size_t pos = 0;
  int lineNo = 0;
  while (pos < len) {
    ++lineNo;
    const char* end = static_cast<const char*>(std::memchr(utf8 + pos, '\n', len - pos));
    size_t next = end ? static_cast<size_t>(end - utf8) + 1 : len;
    size_t b = pos, e = end ? static_cast<size_t>(end - utf8) : len;
    pos = next;
    while (b < e && blank(utf8[b])) ++b;
    while (e > b && blank(utf8[e - 1])) --e;
    if (b == e) continue;
    char name[LineLimit * 2 + 1] = "";
    r.error = convertLine(utf8 + b, e - b, name, r.refused);
    const size_t n = std::strlen(name);
    if (r.error == NamesError::none && r.size + n + 3 > limit) r.error = NamesError::tooBig;
    if (r.error != NamesError::none) {
      r.line = lineNo;
      return r;
    }
    std::memcpy(out + r.size, name, n);
    std::memcpy(out + r.size + n, ";\r\n", 3);
    r.size += n + 3;
    ++r.members;
  }
  return r;
}

}  // namespace cli
