// Lock operations on Windows: one process-wide critical section. A stop on another thread enters it
// and never leaves, so an operation in flight ends first and none starts after.
#include <windows.h>

#include "platform/system.h"

namespace platform {

namespace {
struct Section {
  CRITICAL_SECTION cs;
  Section() { InitializeCriticalSection(&cs); }
};

CRITICAL_SECTION* section() {
  static Section s;
  return &s.cs;
}
}  // namespace

LockOperation::LockOperation() { EnterCriticalSection(section()); }

LockOperation::~LockOperation() { LeaveCriticalSection(section()); }

void holdLockOperations() { EnterCriticalSection(section()); }

}  // namespace platform
