// The CLI's status line: each coded message (retries and errors) as one UTF-8 line on stderr. The
// plain progress texts say nothing a terminal user needs, so a successful run stays quiet. A holder
// name in a message comes from the lock file, which anyone on the share can write: it is escaped.
#include <cstdio>

#include "cli/output.h"
#include "platform/status.h"

namespace status {

void showStatus(const char* text) { cli::writeStatusLine(stderr, text); }

void beep() {}

bool showsBoardTime() { return false; }

void boardRead() {}

}  // namespace status
