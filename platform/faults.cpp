#include "platform/faults.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace files::faults {

namespace {
int counted[static_cast<int>(Op::any) + 1];
int target;
bool keepFailing;
Op targetOp = Op::any;
int crashOperation;
long long crashBytes = -1;
long long bytesWritten;
unsigned latencyUs;
long long readBytes;
void (*pendingAction)();
int actAt;
Op actOp = Op::any;
bool actionArmed;
int stallAtOp;
Op stallOp = Op::any;
unsigned stallMs;
struct Cached {
  char path[FILENAME_MAX];
  bool found;
  Stamp stamp;
};
Cached cache[8];
int cachedCount;
bool caching;
int coarseSeconds;

constexpr const char* OpNames[] = {"open",   "read",   "write",  "seek", "flush",
                                   "remove", "rename", "create", "stat", "any"};

bool stallFromEnvironment() {
  const char* text = std::getenv("TAVELIN_FAULT_STALL");
  int k = 0;
  Op op = Op::any;
  unsigned ms = 0;
  if (text && parseStall(text, k, op, ms)) stallAt(k, op, ms);
  return true;
}

void runArmedAction() {
  if (!actionArmed) return;
  actionArmed = false;
  void (*action)() = pendingAction;
  pendingAction = nullptr;
  action();
}

void roundTrip() {
  if (latencyUs) std::this_thread::sleep_for(std::chrono::microseconds(latencyUs));
}
}  // namespace

void setLatencyUs(unsigned us) { latencyUs = us; }

void coarseTimes(int seconds) { coarseSeconds = seconds; }

void coarsen(Stamp& stamp) {
  if (coarseSeconds <= 0) return;
  stamp.seconds -= ((stamp.seconds % coarseSeconds) + coarseSeconds) % coarseSeconds;
  stamp.modified = stamp.seconds * 1000000000LL;
  stamp.coarse = true;
}

void cacheMetadata(bool on) {
  caching = on;
  cachedCount = 0;
}

bool cachedStamp(const char* path, Stamp& out, bool (*look)(const char*, Stamp&)) {
  if (!caching) return look(path, out);
  for (int i = 0; i < cachedCount; ++i)
    if (std::strcmp(cache[i].path, path) == 0) {
      out = cache[i].stamp;
      return cache[i].found;
    }
  const bool found = look(path, out);
  if (cachedCount < static_cast<int>(sizeof cache / sizeof cache[0])) {
    Cached& c = cache[cachedCount++];
    std::snprintf(c.path, sizeof c.path, "%s", path);
    c.found = found;
    c.stamp = out;
  }
  return found;
}

void stallAt(int k, Op op, unsigned ms) {
  stallAtOp = k;
  stallOp = op;
  stallMs = ms;
}

bool parseStall(const char* text, int& k, Op& op, unsigned& ms) {
  const char* colon = std::strchr(text, ':');
  if (!colon) return false;
  const size_t length = static_cast<size_t>(colon - text);
  for (int i = 0; i <= static_cast<int>(Op::any); ++i) {
    if (std::strlen(OpNames[i]) != length || std::strncmp(text, OpNames[i], length) != 0) continue;
    char* end = nullptr;
    const long at = std::strtol(colon + 1, &end, 10);
    if (*end != ':' || at < 1) return false;
    const char* msText = end + 1;
    const unsigned long wait = std::strtoul(msText, &end, 10);
    if (end == msText || *end) return false;
    k = static_cast<int>(at);
    op = static_cast<Op>(i);
    ms = static_cast<unsigned>(wait);
    return true;
  }
  return false;
}
void onClose() {
  runArmedAction();
  roundTrip();
}
void countRead(size_t bytes) { readBytes += static_cast<long long>(bytes); }
long long bytesRead() { return readBytes; }

void reset() {
  for (int& c : counted) c = 0;
  target = 0;
  keepFailing = false;
  targetOp = Op::any;
  crashOperation = 0;
  crashBytes = -1;
  bytesWritten = 0;
  readBytes = 0;
  pendingAction = nullptr;
  actionArmed = false;
  stallMs = 0;
  caching = false;
  cachedCount = 0;
}

void actAfter(int k, Op op, void (*action)()) {
  pendingAction = action;
  actAt = k;
  actOp = op;
  actionArmed = false;
}

void crashAtOperation(int k) { crashOperation = k; }
void crashAfterBytes(long long bytes) { crashBytes = bytes; }

size_t bytesBeforeCrash(size_t size) {
  if (crashBytes < 0) return size;
  const long long left = crashBytes - bytesWritten;
  const size_t allowed = left < static_cast<long long>(size) ? static_cast<size_t>(left < 0 ? 0 : left) : size;
  bytesWritten += static_cast<long long>(allowed);
  return allowed;
}

void crashNow() {
  std::fflush(nullptr);
  std::_Exit(CrashExitCode);
}

void failAt(int k, bool persistent, Op op) {
  target = k;
  keepFailing = persistent;
  targetOp = op;
}

int operations() { return counted[static_cast<int>(Op::any)]; }

int operations(Op op) { return counted[static_cast<int>(op)]; }

bool shouldFail(Op op) {
  runArmedAction();
  if (op != Op::seek) roundTrip();
  const int n = ++counted[static_cast<int>(op)];
  const int all = ++counted[static_cast<int>(Op::any)];
  static const bool fromEnvironment = stallFromEnvironment();
  (void)fromEnvironment;
  if (stallMs && (stallOp == Op::any ? all : (op == stallOp ? n : 0)) == stallAtOp)
    std::this_thread::sleep_for(std::chrono::milliseconds(stallMs));
  if (pendingAction && !actionArmed && (actOp == Op::any ? all : (op == actOp ? n : 0)) == actAt) actionArmed = true;
  if (crashOperation != 0 && all == crashOperation) crashNow();
  if (target == 0) return false;
  const int index = targetOp == Op::any ? all : (op == targetOp ? n : 0);
  if (index == 0) return false;
  return keepFailing ? index >= target : index == target;
}

}  // namespace files::faults
