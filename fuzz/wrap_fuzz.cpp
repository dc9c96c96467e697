// Line breaking, on any bytes a text can hold, at any width, into a buffer of any size.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "text/wrap.h"

namespace {

bool isLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

int columns(const char* text, size_t length, void*) {
  int width = 0;
  for (size_t i = 0; i < length; ++i) {
    width += isLead(static_cast<unsigned char>(text[i])) && i + 1 < length && text[i + 1] ? 2 : 1;
    if (isLead(static_cast<unsigned char>(text[i])) && i + 1 < length && text[i + 1]) ++i;
  }
  return width;
}

std::string withoutBreaksOrSpaces(const char* text) {
  std::string s;
  for (const char* p = text; *p; ++p)
    if (*p != '\n' && *p != ' ' && *p != '\t') s.push_back(*p);
  return s;
}

}  // namespace

// The first byte is the width, the second the output's size; the rest is the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int width = data[0] % 64 + 1;
  const size_t room = data[1] + 1u;
  std::vector<char> in(data + 2, data + size);
  in.push_back('\0');
  // Exactly the output's room on the heap, so a write past it is caught.
  std::vector<char> out(room);
  const bool whole = text::wrapLines(in.data(), width, columns, nullptr, out.data(), out.size());
  fuzz::check(std::memchr(out.data(), '\0', out.size()) != nullptr, "the output ends within its room");
  if (!whole) return 0;
  fuzz::check(withoutBreaksOrSpaces(out.data()) == withoutBreaksOrSpaces(in.data()), "only breaks and spaces change");
  const char* line = out.data();
  for (;;) {
    const char* end = std::strchr(line, '\n');
    const size_t length = end ? static_cast<size_t>(end - line) : std::strlen(line);
    const size_t first = length && isLead(static_cast<unsigned char>(line[0])) && length > 1 ? 2 : 1;
    fuzz::check(columns(line, length, nullptr) <= width || length <= first,
                "a line wider than the width is one character");
    if (!end) break;
    line = end + 1;
  }
  return 0;
}
