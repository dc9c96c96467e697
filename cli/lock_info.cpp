#include "cli/lock_info.h"

#include <cstring>
#include <ctime>

#include "cli/output.h"
#include "cli/session.h"
#include "report/report.h"
#include "store/lock.h"
#include "text/age.h"
#include "text/cp932.h"

namespace cli {

namespace {

void formatAge(long long seconds, char* out, size_t size) {
  text::formatAge(seconds, {"%lld s", "%lld min", "%lld h %lld min", "%lld days %lld h", "%lld h", "%lld days"}, out,
                  size);
}

}  // namespace

bool describeLock(FILE* out, const char* prefix, const char* suffix) {
  store::LockState lock;
  if (!store::readLockState(share(), lock) || !lock.present) return false;
  std::fprintf(out, "%slock held by ", prefix);
  const size_t length = std::strlen(lock.holder);
  if (lock.holderLength == 0) {
    std::fputs("(no name)", out);
  } else if (length <= HolderShown) {
    report::writeTerminalText(out, lock.holder, length);
  } else {
    // No PC has a name this long: the file is not a lock any PC wrote, and all of it would be noise.
    size_t cut = 0;  // whole characters only
    while (cut < HolderShown) {
      const size_t step = text::isLeadByte(static_cast<unsigned char>(lock.holder[cut])) ? 2 : 1;
      if (cut + step > HolderShown) break;
      cut += step;
    }
    report::writeTerminalText(out, lock.holder, cut);
    std::fputs("... (cut; no PC has a name this long)", out);
  }
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
  std::fputs(suffix, out);
  std::fputc('\n', out);
  return true;
}

bool explainHeldLock(const char* command) {
  char prefix[32], suffix[120];
  std::snprintf(prefix, sizeof prefix, "tavelin-cli %s: ", command);
  // One line, with the code of the core's last message.
  std::snprintf(suffix, sizeof suffix, "%s; if that PC is no longer working, 'tavelin-cli reset-lock' removes the lock",
                lastStatusCode());
  if (!describeLock(stderr, prefix, suffix)) return false;
  forgetStatus();
  return true;
}

}  // namespace cli
