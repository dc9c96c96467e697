// The CLI's status line. serve writes each coded message (retries and errors) as one UTF-8 line on
// stderr, once per change; a one-shot command keeps the last one for its own closing line. The
// plain progress texts say nothing a terminal user needs, so a successful run stays quiet. A holder
// name in a message comes from the lock file, which anyone on the share can write: it is escaped.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "cli/output.h"
#include "cli/session.h"
#include "platform/status.h"
#include "text/bounded.h"

namespace {

bool changesOnly = false;
// Whether a one-shot command told its terminal that it waits for another PC's lock.
bool toldWaiting = false;
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
    // Up to 20 s of silence looks like a hang to someone at a terminal; a script's stderr stays quiet.
    if (!toldWaiting && cli::saysLockBusy(text) && !__atomic_load_n(&cli::share().cancelWait, __ATOMIC_ACQUIRE) &&
        isatty(fileno(stderr))) {
      toldWaiting = true;
      std::fputs("tavelin-cli: another PC is using the board (sem.dat); waiting for it up to 20 s (Ctrl+C stops)\n",
                 stderr);
    }
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
