// The entry history loader: bytes as tavelin.cmb in the current directory, every slot read back as a
// text, then one new entry added in front as the entry dialog does.
#include <cstring>

#include "fuzz/harness.h"
#include "settings/history.h"
#include "settings/preferences.h"
#include "tests/fake.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fake::resetAll();
  fake::currentDir = fuzz::scratchDir();
  fuzz::writeScratch("tavelin.cmb", data, size);
  settings::initLocalPaths(fake::local);
  fake::local.recordsPlace = settings::placeCurrent;
  settings::loadHistory(fake::history, fake::local);

  const size_t kept = size < sizeof fake::history ? size : sizeof fake::history;
  fuzz::check(std::memcmp(&fake::history, data, kept) == 0, "history read byte for byte");
  char text[settings::HistoryTextSize + 1];
  for (int slot = 0; slot < settings::HistorySlots; ++slot) {
    settings::historyText(fake::history, slot, text);
    const size_t n = std::strlen(text);
    fuzz::check(n <= settings::HistoryTextSize && std::memcmp(text, fake::history.texts[slot], n) == 0,
                "history text is the slot's text");
  }

  // The new entry: the file's last bytes, so that it may or may not repeat an entry already there.
  char entry[200];
  const size_t take = size < sizeof entry - 1 ? size : sizeof entry - 1;
  if (take) std::memcpy(entry, data + size - take, take);
  entry[take] = '\0';
  settings::addToHistory(fake::history, entry);

  // An empty text changes nothing, so what the file held stays as it was; any other text rebuilds the slots.
  if (!entry[0]) return 0;
  const char(&slots)[settings::HistorySlots][settings::HistoryTextSize] = fake::history.texts;
  for (int i = 0; i < settings::HistorySlots; ++i)
    fuzz::check(std::memchr(slots[i], 0, settings::HistoryTextSize) != nullptr, "every slot terminated");
  const size_t n =
      std::strlen(entry) < settings::HistoryTextSize - 1 ? std::strlen(entry) : settings::HistoryTextSize - 1;
  fuzz::check(std::strlen(slots[0]) == n && std::memcmp(slots[0], entry, n) == 0, "new entry first");
  for (int i = 0; i < settings::HistorySlots; ++i)
    for (int j = i + 1; j < settings::HistorySlots && slots[i][0]; ++j)
      fuzz::check(std::strcmp(slots[i], slots[j]) != 0, "no entry twice");
  return 0;
}
