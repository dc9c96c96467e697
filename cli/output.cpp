#include "cli/output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/system.h"
#include "report/report.h"
#include "text/cp932.h"

namespace cli {

namespace {

// The code point of the n-byte UTF-8 sequence at s (n from text::utf8Length).
unsigned long decode(const unsigned char* s, size_t n) {
  if (n == 1) return s[0];
  unsigned long c = s[0] & (0xFFu >> (n + 1));
  for (size_t i = 1; i < n; ++i) c = (c << 6) | (s[i] & 0x3Fu);
  return c;
}

// Format controls and invisible characters: they reorder or hide what the terminal shows.
bool disguises(unsigned long c) {
  return c == 0xAD || c == 0x061C || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB);
}

bool combining(unsigned long c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
         (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F) || c == 0x3099 || c == 0x309A;
}

}  // namespace

void writeTypedText(FILE* out, const char* utf8) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8);
  const size_t len = std::strlen(utf8);
  bool afterAscii = true;  // a combining mark first would sit on the quote before the text
  for (size_t i = 0; i < len;) {
    const size_t n = text::utf8Length(s + i, len - i);
    const unsigned long c = n ? decode(s + i, n) : 0;
    if (n > 1 && (disguises(c) || (combining(c) && afterAscii))) {
      std::fprintf(out, "\\u{%lx}", c);
    } else if (n == 0) {
      std::fprintf(out, "\\x%02x", s[i]);
    } else {
      report::writeTerminalUtf8(out, utf8 + i, n);
    }
    afterAscii = n <= 1;
    i += n ? n : 1;
  }
}

void writeNativePath(FILE* out, const char* path) {
  char utf8[1024];
  nativeToUtf8(path, utf8, sizeof utf8);
  writeTypedText(out, utf8);
}

namespace {
char lastCoded[512];
}  // namespace

void noteStatus(const char* cp932) {
  // A progress text or the empty one starts or ends an access: what came before is over.
  std::snprintf(lastCoded, sizeof lastCoded, "%s", cp932[0] == '(' ? cp932 : "");
}

void forgetStatus() { lastCoded[0] = '\0'; }

bool saysLockBusy(const char* cp932) {
  return std::strncmp(cp932, "(201)", 5) == 0 || std::strncmp(cp932, "(202)", 5) == 0;
}

const char* lastStatusCode() {
  static char code[8];
  code[0] = '\0';
  if (lastCoded[0] == '(' && std::strlen(lastCoded) >= 5 && lastCoded[4] == ')')
    std::snprintf(code, sizeof code, " %.5s", lastCoded);
  return code;
}

namespace {

// The core's codes in the CLI's words, for the closing line; a code not here is shown as worded.
struct CodeWords {
  char code[4];
  const char* words;
};
constexpr CodeWords Words[] = {
    {"101", "reading the board file failed, on every attempt"},
    {"103", "reading the board file failed, on every attempt"},
    {"104", "seeking in the board file failed, on every attempt"},
    {"106", "writing the board file failed, on every attempt; nothing was saved"},
    {"201", "the board stayed locked by another PC"},
    {"202", "the board stayed locked by another PC"},
    {"203", "stopped waiting; nothing was read or written"},
    {"301", "the lock file could not be removed: the other PCs stay locked out until it is ('tavelin-cli reset-lock')"},
    {"304", "the lock file's path is too long"},
};

}  // namespace

void reportLastStatus(const char* command, bool failed) {
  if (!failed && !lastCoded[0]) return;
  std::fprintf(stderr, "tavelin-cli %s: %s", command, failed ? "" : "warning: ");
  const char* words = nullptr;
  for (const CodeWords& w : Words)
    if (lastCoded[0] == '(' && std::strncmp(lastCoded + 1, w.code, 3) == 0) words = w.words;
  if (words)
    std::fprintf(stderr, "%s%s\n", words, lastStatusCode());
  else if (lastCoded[0])
    writeStatusLine(stderr, lastCoded);
  else
    std::fputs("the board operation failed\n", stderr);
  forgetStatus();
}

void writeStatusLine(FILE* out, const char* cp932) {
  if (cp932[0] != '(') return;
  report::writeTerminalText(out, cp932, std::strlen(cp932));
  std::fputc('\n', out);
}

bool outputWritten(const char* command) {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
  const int error = errno;
  std::fprintf(stderr, "tavelin-cli %s: cannot write the output: %s\n", command,
               error ? std::strerror(error) : "a write failed");
  return false;
}

}  // namespace cli
