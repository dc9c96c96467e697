// The status line of the benchmarks: messages are dropped, as in a window that has no status bar yet.
#include "platform/status.h"

namespace status {
void showStatus(const char*) {}
void beep() {}
bool showsBoardTime() { return false; }
void boardRead() {}
}  // namespace status
