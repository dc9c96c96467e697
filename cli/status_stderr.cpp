// The CLI's status line: each coded message (retries and errors) as one UTF-8 line on stderr. The
// plain progress texts say nothing a terminal user needs, so a successful run stays quiet.
#include <cstdio>
#include <cstring>

#include "platform/status.h"
#include "text/cp932.h"

namespace status {

void showStatus(const char* text) {
  if (text[0] != '(') return;
  char utf8[1024];
  text::cp932ToUtf8(text, std::strlen(text), utf8, sizeof utf8);
  std::fprintf(stderr, "%s\n", utf8);
}

void beep() {}

bool hasStatusBar() { return true; }

}  // namespace status
