#include "cli/lock_info.h"

#include <cstring>
#include <ctime>

#include "cli/session.h"
#include "report/report.h"
#include "store/lock.h"
#include "text/age.h"

namespace cli {

namespace {

void formatAge(long long seconds, char* out, size_t size) {
  text::formatAge(seconds, {"%lld s", "%lld min", "%lld h %lld min", "%lld days %lld h"}, out, size);
}

}  // namespace

bool describeLock(FILE* out, const char* prefix) {
  store::LockState lock;
  if (!store::readLockState(share(), lock) || !lock.present) return false;
  std::fprintf(out, "%slock held by ", prefix);
  if (lock.holderLength == 0)
    std::fputs("(no name)", out);
  else
    report::writeTerminalText(out, lock.holder, std::strlen(lock.holder));
  const long long seconds = lock.ageSeconds;
  if (lock.aged) {
    const std::time_t since = std::time(nullptr) - static_cast<std::time_t>(seconds);
    char when[32] = "";
    if (const std::tm* t = std::localtime(&since)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", t);
    if (seconds < 0) {
      // Written by a file server whose clock is ahead of ours: no age can be told.
      std::fprintf(out, ", dated %s, ahead of this PC's clock (the clocks of this PC and the file server differ)",
                   when);
    } else {
      char age[48];
      formatAge(seconds, age, sizeof age);
      std::fprintf(out, " for %s (since %s)", age, when);
    }
  }
  std::fputc('\n', out);
  return true;
}

bool explainHeldLock(const char* command) {
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "tavelin-cli %s: ", command);
  if (!describeLock(stderr, prefix)) return false;
  std::fprintf(stderr, "%sif that PC is no longer working, remove the lock with 'tavelin-cli reset-lock'\n", prefix);
  return true;
}

}  // namespace cli
