#include "cli/output.h"

#include <cerrno>
#include <cstring>

#include "cli/system.h"
#include "report/report.h"

namespace cli {

void writeNativePath(FILE* out, const char* path) {
  char utf8[1024];
  nativeToUtf8(path, utf8, sizeof utf8);
  report::writeTerminalUtf8(out, utf8, std::strlen(utf8));
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
