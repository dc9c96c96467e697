#include "cli/output.h"

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

}  // namespace cli
