#include "settings/preferences.h"

#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/system.h"
#include "text/bounded.h"

namespace settings {

Preferences prefs;
bool needsSetup;
bool prefsFromCurrentDir;
char prefsPathCurrent[PathSize];
char prefsPathWindows[PathSize];
char historyPathCurrent[PathSize];
char historyPathWindows[PathSize];

namespace {

// The directory limit is 255 characters, as the directory queries are given; a longer one is refused.
void pathsIn(size_t (*query)(char*, size_t), char (&prefsPath)[PathSize], char (&historyPath)[PathSize]) {
  char dir[PathSize];
  size_t n = query(dir, sizeof dir);
  if (n >= sizeof dir) n = 0;
  // A path that does not fit stays empty, so that place is never used.
  text::joinPath(prefsPath, sizeof prefsPath, dir, n, "tavelin.prf");
  text::joinPath(historyPath, sizeof historyPath, dir, n, "tavelin.cmb");
}

FILE* openForReading(const char* path) { return path[0] ? files::openRead(path) : nullptr; }

void defaultRecord() {
  std::memcpy(prefs.magic, PrefsMagic, sizeof PrefsMagic);
  needsSetup = true;
  // Only text and NUL: the bytes behind each NUL stay as they were.
  std::memcpy(prefs.nameListPath, DefaultNameListPath, sizeof DefaultNameListPath);
  std::memcpy(prefs.boardPath, DefaultBoardPath, sizeof DefaultBoardPath);
  prefs.windowWidth.set(prefs.colWidthState.get() + prefs.colWidthAfternoon.get() + 465);
  prefs.colWidthName.set(70);
  prefs.colWidthMorning.set(100);
  prefs.colWidthReturn.set(60);
  prefs.windowX.set(20);
  prefs.windowY.set(20);
  prefs.colWidthWritten.set(220);
  prefs.windowHeight.set(415);
  prefs.refreshMinutes.set(3);
}

}  // namespace

void initLocalPaths() {
  pathsIn(platform::currentDirectory, prefsPathCurrent, historyPathCurrent);
  pathsIn(platform::windowsDirectory, prefsPathWindows, historyPathWindows);
}

void loadPreferences() {
  FILE* f = openForReading(prefsPathCurrent);
  if (f)
    prefsFromCurrentDir = true;
  else
    f = openForReading(prefsPathWindows);

  bool valid = false;
  if (f) {
    files::Handle file(f);
    files::readBlock(&prefs, sizeof prefs, f);
    file.close();
    valid = text::fieldLength(prefs.magic) < sizeof prefs.magic && std::strcmp(prefs.magic, PrefsMagic) == 0;
  }
  if (!valid) defaultRecord();

  if (prefs.colWidthState.get() == 0) prefs.colWidthState.set(50);
  if (prefs.colWidthAfternoon.get() == 0) prefs.colWidthAfternoon.set(100);
}

void savePreferences() {
  if (needsSetup) return;
  saveLocalRecord(prefsPathCurrent, prefsPathWindows, &prefs, sizeof prefs);
}

void saveLocalRecord(const char* currentPath, const char* windowsPath, const void* data, size_t size) {
  // A failed write leaves the old file whole rather than a truncated one.
  auto saveTo = [&](const char* path) { return path[0] && files::writeWholeFile(path, data, size); };
  if (prefsFromCurrentDir) {
    saveTo(currentPath);
    return;
  }
  if (windowsPath[0]) platform::prepareWindowsDirectory();
  if (!saveTo(windowsPath)) saveTo(currentPath);
}

void pathText(const char (&field)[PathSize], char (&out)[PathSize + 1]) { text::copyField(out, field); }

void resetPreferences() {
  std::memset(&prefs, 0, sizeof prefs);
  needsSetup = false;
  prefsFromCurrentDir = false;
  prefsPathCurrent[0] = prefsPathWindows[0] = historyPathCurrent[0] = historyPathWindows[0] = '\0';
}

}  // namespace settings
