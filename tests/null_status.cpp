// The status line of test programs that run the core outside any front end: nothing is shown.
#include "platform/status.h"

namespace status {
void showStatus(const char*) {}
void beep() {}
bool showsBoardTime() { return false; }
void boardRead() {}
}  // namespace status
