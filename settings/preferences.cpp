#include "settings/preferences.h"

#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/system.h"
#include "text/bounded.h"

namespace settings {

namespace {

// The directory limit is 255 characters, as the directory queries are given; a longer one is refused.
void pathsIn(Local& local, size_t (*query)(char*, size_t), Place place) {
  char(&prefsPath)[PathSize] = local.prefsPaths[place];
  char(&historyPath)[PathSize] = local.historyPaths[place];
  char dir[PathSize];
  size_t n = query(dir, sizeof dir);
  if (n >= sizeof dir) n = 0;
  // A path that does not fit stays empty, so that place is never used.
  text::joinPath(prefsPath, sizeof prefsPath, dir, n, "tavelin.prf");
  text::joinPath(historyPath, sizeof historyPath, dir, n, "tavelin.cmb");
}

FILE* openForReading(const char* path) { return path[0] ? files::openRead(path) : nullptr; }

void defaultRecord(Local& local) {
  Preferences& prefs = local.prefs;
  std::memcpy(prefs.magic, PrefsMagic, sizeof PrefsMagic);
  local.needsSetup = true;
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

void initLocalPaths(Local& local) {
  pathsIn(local, platform::currentDirectory, placeCurrent);
  pathsIn(local, platform::windowsDirectory, placeWindows);
  pathsIn(local, platform::virtualStoreDirectory, placeVirtualStore);
  pathsIn(local, platform::userDirectory, placeUser);
}

void loadPreferences(Local& local) {
  Preferences& prefs = local.prefs;
  const auto& prefsPaths = local.prefsPaths;
  int& recordsPlace = local.recordsPlace;
  FILE* f = nullptr;
  recordsPlace = -1;
  for (int place = 0; place < PlaceCount && !f; ++place) {
    f = openForReading(prefsPaths[place]);
    if (f) recordsPlace = place;
  }
  // A record in a current folder that will not take our changes (a read-only share) would come
  // back unchanged at every start: the user's own copy, saved in its stead, wins then.
  if (recordsPlace == placeCurrent && !files::opensForUpdate(prefsPaths[placeCurrent])) {
    FILE* own = openForReading(prefsPaths[placeUser]);
    if (own) {
      files::close(f);
      f = own;
      recordsPlace = placeUser;
    }
  }

  bool valid = false;
  if (f) {
    files::Handle file(f);
    files::readBlock(&prefs, sizeof prefs, f);
    file.close();
    valid = text::fieldLength(prefs.magic) < sizeof prefs.magic && std::strcmp(prefs.magic, PrefsMagic) == 0;
  }
  if (!valid) defaultRecord(local);

  if (prefs.colWidthState.get() == 0) prefs.colWidthState.set(50);
  if (prefs.colWidthAfternoon.get() == 0) prefs.colWidthAfternoon.set(100);
}

void savePreferences(Local& local) {
  if (local.needsSetup) return;
  saveLocalRecord(local, local.prefsPaths, &local.prefs, sizeof local.prefs);
}

void saveLocalRecord(Local& local, const char (&paths)[PlaceCount][PathSize], const void* data, size_t size) {
  int& recordsPlace = local.recordsPlace;
  // A failed write leaves the old file whole rather than a truncated one.
  auto saveTo = [&](int place) {
    if (!paths[place][0] || !files::writeWholeFile(paths[place], data, size)) return false;
    recordsPlace = place;
    return true;
  };
  if (recordsPlace >= 0 && saveTo(recordsPlace)) return;
  if (recordsPlace < 0 && saveTo(placeWindows)) return;
  platform::prepareUserDirectory();
  saveTo(placeUser);
}

void pathText(const char (&field)[PathSize], char (&out)[PathSize + 1]) { text::copyField(out, field); }

void resetPreferences(Local& local) {
  std::memset(&local.prefs, 0, sizeof local.prefs);
  local.needsSetup = false;
  local.recordsPlace = -1;
  std::memset(local.prefsPaths, 0, sizeof local.prefsPaths);
  std::memset(local.historyPaths, 0, sizeof local.historyPaths);
}

}  // namespace settings
