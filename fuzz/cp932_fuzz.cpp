// CP932 <-> UTF-8 at the CLI's edges: file bytes to the terminal, arguments to the files.
// The first input byte picks the destination size, so cuts at every position are tried.
#include <cstring>
#include <vector>

#include "fuzz/harness.h"
#include "report/report.h"
#include "text/cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t outSize = data[0] + 1;
  const char* in = reinterpret_cast<const char*>(data + 1);
  const size_t len = size - 1;

  // Heap buffers of exactly the given sizes: a write past outSize is caught.
  std::vector<char> source(in, in + len);
  std::vector<char> out(outSize);
  const size_t n = text::cp932ToUtf8(source.data(), len, out.data(), outSize);
  fuzz::check(n < outSize && out[n] == '\0', "UTF-8 result terminated within its buffer");
  fuzz::check(fuzz::isUtf8(out.data(), n), "result is UTF-8");
  fuzz::check(text::displayWidth(source.data(), len) <= len, "never wider than its bytes");

  // Plain ASCII passes through unchanged when it fits.
  std::vector<char> wide(len * 3 + 1);
  const size_t full = text::cp932ToUtf8(source.data(), len, wide.data(), wide.size());
  fuzz::check(full < wide.size(), "three bytes per input byte always fit");
  size_t ascii = 0;
  while (ascii < len && static_cast<unsigned char>(in[ascii]) < 0x80) ++ascii;
  fuzz::check(full >= ascii && std::memcmp(wide.data(), in, ascii) == 0, "ASCII kept as it is");

  // UTF-8 to CP932, then back and again: a text may change once (glibc takes U+00AC for 0x81CA, which
  // reads back as U+FFE2), but the CP932 bytes it stores must then be stable.
  std::vector<char> utf8(in, in + len);
  utf8.push_back('\0');
  std::vector<char> cp932(outSize);
  if (text::utf8ToCp932(utf8.data(), cp932.data(), outSize)) {
    const size_t m = strnlen(cp932.data(), outSize);
    fuzz::check(m < outSize, "CP932 result terminated within its buffer");
    std::vector<char> back(m * 3 + 1);
    const size_t k = text::cp932ToUtf8(cp932.data(), m, back.data(), back.size());
    fuzz::check(k < back.size() && fuzz::isUtf8(back.data(), k), "read back as UTF-8");
    std::vector<char> again(m + 1);
    fuzz::check(text::utf8ToCp932(back.data(), again.data(), again.size()), "read-back text converts again");
    fuzz::check(std::memcmp(again.data(), cp932.data(), m + 1) == 0, "CP932 -> UTF-8 -> CP932 keeps the bytes");
  }

  // Both CLI writers on the same bytes: nothing raw reaches a terminal or a JSON reader.
  fuzz::Capture terminal;
  report::writeTerminalText(terminal.stream(), source.data(), len);
  const std::string t = terminal.text();
  for (unsigned char c : t) fuzz::check(c >= 0x20 && c != 0x7F, "no raw control byte on the terminal");
  fuzz::check(t.find("\xC2\x80") == std::string::npos, "no raw C1 control on the terminal");
  // Arguments and POSIX paths: whatever the bytes, the terminal gets UTF-8 without controls.
  fuzz::Capture raw;
  report::writeTerminalUtf8(raw.stream(), source.data(), len);
  const std::string r = raw.text();
  fuzz::check(fuzz::isUtf8(r.data(), r.size()), "escaped argument is UTF-8");
  for (size_t i = 0; i < r.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(r[i]);
    fuzz::check(c >= 0x20 && c != 0x7F, "no raw control byte from an argument");
    fuzz::check(!(c == 0xC2 && i + 1 < r.size() && static_cast<unsigned char>(r[i + 1]) < 0xA0),
                "no raw C1 control from an argument");
  }
  fuzz::Capture json;
  report::writeJsonString(json.stream(), source.data(), len);
  const std::string j = json.text();
  for (unsigned char c : j) fuzz::check(c >= 0x20 && c != 0x7F, "no raw control byte in a JSON string");
  fuzz::check(j.size() >= 2 && j.front() == '"' && j.back() == '"', "JSON string quoted");
  return 0;
}
