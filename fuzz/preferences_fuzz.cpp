// The preferences loader: bytes as tavelin.prf in the current directory, then the paths taken from it
// as the program uses them (the name-list and board paths as texts, the lock path beside the board).
#include <cstring>

#include "fuzz/harness.h"
#include "settings/preferences.h"
#include "store/lock.h"
#include "tests/fake.h"

namespace {

void checkPath(const char (&field)[settings::PathSize]) {
  char text[settings::PathSize + 1];
  settings::pathText(field, text);
  const size_t n = std::strlen(text);
  fuzz::check(n <= settings::PathSize && std::memcmp(text, field, n) == 0, "path text is the field's text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fake::resetAll();
  fake::currentDir = fuzz::scratchDir();
  fuzz::writeScratch("tavelin.prf", data, size);
  settings::initLocalPaths(fake::local);
  settings::loadPreferences(fake::local);

  const settings::Preferences& p = fake::local.prefs;
  fuzz::check(settings::prefsFromCurrentDir(fake::local), "the record came from the current directory");
  const size_t kept = size < sizeof p ? size : sizeof p;
  // A short file fills only its length; the rest of the record keeps a fresh process's zeros.
  unsigned char record[sizeof p] = {};
  if (kept) std::memcpy(record, data, kept);
  const bool magicOk = std::memcmp(record, settings::PrefsMagic, sizeof settings::PrefsMagic) == 0;
  fuzz::check(fake::local.needsSetup == !magicOk, "defaults exactly when the magic is wrong");
  fuzz::check(std::strcmp(p.magic, settings::PrefsMagic) == 0, "the record carries the magic");
  if (magicOk) {
    // A valid record is taken as it is, apart from the two column widths that 0 stands in for.
    fuzz::check(std::memcmp(&p, data,
                            offsetof(settings::Preferences, colWidthAfternoon) < kept
                                ? offsetof(settings::Preferences, colWidthAfternoon)
                                : kept) == 0,
                "valid record read byte for byte");
  }
  fuzz::check(p.colWidthState.get() != 0 && p.colWidthAfternoon.get() != 0, "no zero column width");
  checkPath(p.nameListPath);
  checkPath(p.boardPath);

  char lockPath[store::LockPathSize];
  std::memset(lockPath, 'x', sizeof lockPath);
  if (store::lockPathFor(p.boardPath, sizeof p.boardPath, lockPath) == store::LockPath::ok) {
    const size_t n = strnlen(lockPath, sizeof lockPath);
    fuzz::check(n < sizeof lockPath, "lock path terminated");
    fuzz::check(n >= 8 && std::strcmp(lockPath + n - 8, "/sem.dat") == 0, "lock path ends in the lock's name");
  } else {
    fuzz::check(lockPath[0] == '\0', "a lock path that does not fit is empty");
  }
  return 0;
}
