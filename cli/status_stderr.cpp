// The CLI's status line. serve writes each coded message (retries and errors) as one UTF-8 line on
// stderr, once per change; a one-shot command keeps the last one for its own closing line. The
// plain progress texts say nothing a terminal user needs, so a successful run stays quiet. A holder
// name in a message comes from the lock file, which anyone on the share can write: it is escaped.
#include <cstdio>
#include <cstring>

#include "cli/output.h"
#include "platform/status.h"
#include "text/bounded.h"

namespace {

bool changesOnly = false;
// The last coded message written; only the thread that holds the share writes messages.
char lastCoded[512];

}  // namespace

namespace cli {

void statusChangesOnly() { changesOnly = true; }

}  // namespace cli

namespace status {

void showStatus(const char* text) {
  hear(text);
  // A one-shot command ends with one line of its own, carrying the code.
  if (!changesOnly) {
    cli::noteStatus(text);
    return;
  }
  if (text[0] != '(') return;
  if (std::strncmp(lastCoded, text, sizeof lastCoded - 1) == 0) return;
  text::copyField(lastCoded, sizeof lastCoded, text, std::strlen(text));
  cli::writeStatusLine(stderr, text);
}

void beep() { hearBeep(); }

bool showsBoardTime() { return false; }

void boardRead() {
  hearRead();
  lastCoded[0] = '\0';
}

}  // namespace status
