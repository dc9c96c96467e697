#include "settings/preferences.h"

#include <cstring>

#include "platform/faults.h"
#include "settings/history.h"
#include "tests/support.h"

using namespace testsupport;
settings::Preferences& prefs = fake::local.prefs;

namespace {

class PreferencesTest : public CoreTest {
 protected:
  TempDir current, windows;
  void SetUp() override {
    CoreTest::SetUp();
    fake::currentDir = current.path();
    fake::windowsDir = windows.path();
    settings::initLocalPaths(fake::local);
  }
  // A 550-byte record with the given magic and every 16-bit field set from values.
  static std::string record(const char* magic, int nonZeroFrom = 0) {
    std::string bytes(550, '\0');
    std::memcpy(&bytes[0], magic, std::strlen(magic) + 1);
    std::memcpy(&bytes[16], "\\\\srv\\names.lst", 16);
    std::memcpy(&bytes[272], "\\\\srv\\board.lst", 16);
    for (int off = 528; off < 550; off += 2) bytes[off] = static_cast<char>(nonZeroFrom + off - 520);
    return bytes;
  }
};

TEST_F(PreferencesTest, LocalPathsJoinDirectoryAndFileName) {
  EXPECT_EQ(fake::local.prefsPaths[settings::placeCurrent], current.file("tavelin.prf"));
  EXPECT_EQ(fake::local.prefsPaths[settings::placeWindows], windows.file("tavelin.prf"));
  EXPECT_EQ(fake::local.historyPaths[settings::placeCurrent], current.file("tavelin.cmb"));
  EXPECT_EQ(fake::local.historyPaths[settings::placeWindows], windows.file("tavelin.cmb"));
}

TEST_F(PreferencesTest, DirectoryTooLongForThePathsIsNotUsed) {
  fake::currentDir = std::string(244, 'c');  // 244 + separator + 11 + NUL = 257 bytes: one too many
  fake::windowsDir = std::string(243, 'w');  // exactly fits
  settings::initLocalPaths(fake::local);
  EXPECT_STREQ(fake::local.prefsPaths[settings::placeCurrent], "");
  EXPECT_STREQ(fake::local.historyPaths[settings::placeCurrent], "");
  EXPECT_EQ(std::strlen(fake::local.prefsPaths[settings::placeWindows]), 255u);
  fake::currentDir = std::string(300, 'c');  // the query itself reports it does not fit
  settings::initLocalPaths(fake::local);
  EXPECT_STREQ(fake::local.prefsPaths[settings::placeCurrent], "");
  settings::loadPreferences(fake::local);
  EXPECT_TRUE(fake::local.needsSetup);
  EXPECT_FALSE(settings::prefsFromCurrentDir(fake::local));
}

TEST_F(PreferencesTest, NoFileAnywhereGivesDefaultsAndAsksForSetup) {
  settings::loadPreferences(fake::local);
  EXPECT_TRUE(fake::local.needsSetup);
  EXPECT_FALSE(settings::prefsFromCurrentDir(fake::local));
  EXPECT_STREQ(prefs.magic, "TAVELINE_V107");
  EXPECT_STREQ(prefs.nameListPath, "\\\\server_name\\tv_name.lst");
  EXPECT_STREQ(prefs.boardPath, "\\\\server_name\\tv_cont.lst");
  EXPECT_EQ(prefs.windowWidth.get(), 465);
  EXPECT_EQ(prefs.windowHeight.get(), 415);
  EXPECT_EQ(prefs.windowX.get(), 20);
  EXPECT_EQ(prefs.windowY.get(), 20);
  EXPECT_EQ(prefs.colWidthName.get(), 70);
  EXPECT_EQ(prefs.colWidthMorning.get(), 100);
  EXPECT_EQ(prefs.colWidthReturn.get(), 60);
  EXPECT_EQ(prefs.colWidthWritten.get(), 220);
  EXPECT_EQ(prefs.refreshMinutes.get(), 3);
  EXPECT_EQ(prefs.colWidthAfternoon.get(), 100);
  EXPECT_EQ(prefs.colWidthState.get(), 50);
}

TEST_F(PreferencesTest, ForeignMagicDefaultsButKeepsTheTwoTrailingWidthsInTheWindowWidth) {
  std::string bytes = record("TAVELINE_V106");
  bytes[546] = 0x2C, bytes[547] = 0x01;  // afternoon 300
  bytes[548] = 0x28, bytes[549] = 0x00;  // state 40
  std::memcpy(&bytes[16], "\\\\a\\b_long_name_that_stays_behind.lst", 37);
  writeFile(fake::local.prefsPaths[settings::placeWindows], bytes);
  settings::loadPreferences(fake::local);
  EXPECT_TRUE(fake::local.needsSetup);
  EXPECT_EQ(prefs.windowWidth.get(), 300 + 40 + 465);
  EXPECT_EQ(prefs.colWidthAfternoon.get(), 300);
  EXPECT_EQ(prefs.colWidthState.get(), 40);
  EXPECT_EQ(prefs.colWidthName.get(), 70);
  // Only the default text and its NUL are copied: the old bytes behind it stay.
  EXPECT_STREQ(prefs.nameListPath, "\\\\server_name\\tv_name.lst");
  EXPECT_EQ(std::string(prefs.nameListPath + 26, 11), std::string(bytes.data() + 16 + 26, 11));
}

TEST_F(PreferencesTest, CurrentDirectoryWinsAndIsWrittenBack) {
  std::string mine = record("TAVELINE_V107", 1);
  std::string other = record("TAVELINE_V107", 50);
  writeFile(fake::local.prefsPaths[settings::placeCurrent], mine);
  writeFile(fake::local.prefsPaths[settings::placeWindows], other);
  settings::loadPreferences(fake::local);
  EXPECT_FALSE(fake::local.needsSetup);
  EXPECT_TRUE(settings::prefsFromCurrentDir(fake::local));
  EXPECT_EQ(std::memcmp(&prefs, mine.data(), 550), 0);
  prefs.windowX.set(-5);
  settings::savePreferences(fake::local);
  std::string saved = readFile(fake::local.prefsPaths[settings::placeCurrent]);
  ASSERT_EQ(saved.size(), 550u);
  EXPECT_EQ(static_cast<unsigned char>(saved[540]), 0xFB);
  EXPECT_EQ(static_cast<unsigned char>(saved[541]), 0xFF);
  EXPECT_EQ(readFile(fake::local.prefsPaths[settings::placeWindows]), other);
}

TEST_F(PreferencesTest, WrongMagicInCurrentDirectoryBeatsValidWindowsFileAndIsTheOneRewritten) {
  writeFile(fake::local.prefsPaths[settings::placeCurrent], record("OTHER"));
  writeFile(fake::local.prefsPaths[settings::placeWindows], record("TAVELINE_V107"));
  settings::loadPreferences(fake::local);
  EXPECT_TRUE(fake::local.needsSetup);
  EXPECT_TRUE(settings::prefsFromCurrentDir(fake::local));
  settings::savePreferences(fake::local);  // still needs setup: nothing written
  EXPECT_EQ(readFile(fake::local.prefsPaths[settings::placeCurrent]).substr(0, 5), "OTHER");
  fake::local.needsSetup = false;  // the settings were confirmed
  settings::savePreferences(fake::local);
  EXPECT_EQ(readFile(fake::local.prefsPaths[settings::placeCurrent]).substr(0, 13), "TAVELINE_V107");
}

TEST_F(PreferencesTest, ShortValidFileFillsOnlyItsLength) {
  std::string bytes = record("TAVELINE_V107", 1).substr(0, 532);  // up to colWidthMorning
  writeFile(fake::local.prefsPaths[settings::placeWindows], bytes);
  settings::loadPreferences(fake::local);
  EXPECT_FALSE(fake::local.needsSetup);
  EXPECT_EQ(prefs.colWidthName.get(), 9);
  EXPECT_EQ(prefs.colWidthMorning.get(), 11);
  EXPECT_EQ(prefs.colWidthReturn.get(), 0);
  EXPECT_EQ(prefs.windowWidth.get(), 0);
  EXPECT_EQ(prefs.refreshMinutes.get(), 0);
  EXPECT_EQ(prefs.colWidthAfternoon.get(), 100);
  EXPECT_EQ(prefs.colWidthState.get(), 50);
}

TEST_F(PreferencesTest, ZeroWidthsRepairOnlyAfternoonAndState) {
  std::string bytes = record("TAVELINE_V107", 1);
  for (int off : {528, 546, 548}) bytes[off] = bytes[off + 1] = 0;
  writeFile(fake::local.prefsPaths[settings::placeWindows], bytes);
  settings::loadPreferences(fake::local);
  EXPECT_EQ(prefs.colWidthName.get(), 0);
  EXPECT_EQ(prefs.colWidthAfternoon.get(), 100);
  EXPECT_EQ(prefs.colWidthState.get(), 50);
}

TEST_F(PreferencesTest, NothingIsSavedWhileSetupIsNeeded) {
  settings::loadPreferences(fake::local);
  settings::savePreferences(fake::local);
  EXPECT_FALSE(exists(fake::local.prefsPaths[settings::placeWindows]));
  EXPECT_FALSE(exists(fake::local.prefsPaths[settings::placeCurrent]));
}

// Where the records are looked for and where they go, on a PC where a standard user cannot write
// the Windows folder and tavelin.exe is often started from the share.
TEST_F(PreferencesTest, RecordsAreFoundInTheirOrderAndSavedWhereTheyCanBeNeverNewInTheCurrentFolder) {
  const char* names[] = {"current", "user", "VirtualStore", "Windows"};
  const struct {
    const char* label;
    int recordIn;    // -1: nowhere
    int failedOpen;  // which open fails once (0: none): a place that will not take the record
    int alsoIn;      // a second record (-1: none)
    int loadedFrom;  // -1: none
    int savedIn;
  } cases[] = {
      {"first start", -1, 0, -1, -1, settings::placeWindows},
      {"first start, Windows folder read-only", -1, 1, -1, -1, settings::placeUser},
      {"an older program's VirtualStore copy", settings::placeVirtualStore, 0, -1, settings::placeVirtualStore,
       settings::placeVirtualStore},
      {"Windows folder read-only", settings::placeWindows, 1, -1, settings::placeWindows, settings::placeUser},
      {"current folder", settings::placeCurrent, 0, -1, settings::placeCurrent, settings::placeCurrent},
      // Open 2 is the look whether the current record takes changes; the user's copy wins then.
      {"read-only current folder with the user's copy", settings::placeCurrent, 2, settings::placeUser,
       settings::placeUser, settings::placeUser},
      // Saved there because the Windows copy would not take the save: the older copy must not come back.
      {"the user's copy beside the Windows copy", settings::placeWindows, 0, settings::placeUser, settings::placeUser,
       settings::placeUser},
      {"the VirtualStore copy an older program saw over the Windows copy", settings::placeWindows, 0,
       settings::placeVirtualStore, settings::placeVirtualStore, settings::placeVirtualStore},
  };
  for (const auto& c : cases) {
    fake::resetAll();
    TempDir cur, win, vs, usr;
    fake::currentDir = cur.path();
    fake::windowsDir = win.path();
    fake::virtualStoreDir = vs.path();
    fake::userDir = usr.path();
    settings::initLocalPaths(fake::local);
    if (c.recordIn >= 0) writeFile(fake::local.prefsPaths[c.recordIn], record("TAVELINE_V107", 1));
    if (c.alsoIn >= 0) writeFile(fake::local.prefsPaths[c.alsoIn], record("TAVELINE_V107", 7));
    if (c.failedOpen) files::faults::failAt(c.failedOpen, false, files::faults::Op::open);
    settings::loadPreferences(fake::local);
    settings::loadHistory(fake::history, fake::local);
    EXPECT_EQ(fake::local.recordsPlace, c.loadedFrom) << c.label;
    files::faults::reset();
    if (c.failedOpen == 1 && c.recordIn != settings::placeCurrent)
      files::faults::failAt(1, false, files::faults::Op::open);
    fake::local.needsSetup = false;
    settings::savePreferences(fake::local);
    settings::saveHistory(fake::history, fake::local);
    for (int place = 0; place < settings::PlaceCount; ++place) {
      const bool expected = place == c.savedIn || place == c.recordIn || place == c.alsoIn;
      EXPECT_EQ(exists(fake::local.prefsPaths[place]), expected) << c.label << ": preferences in " << names[place];
      EXPECT_EQ(exists(fake::local.historyPaths[place]), place == c.savedIn)
          << c.label << ": history in " << names[place];
    }
  }
}

TEST_F(PreferencesTest, MagicWithoutNulIsForeign) {
  std::string bytes = record("TAVELINE_V107", 1);
  std::memset(&bytes[0], 'T', 16);
  writeFile(fake::local.prefsPaths[settings::placeWindows], bytes);
  settings::loadPreferences(fake::local);
  EXPECT_TRUE(fake::local.needsSetup);
  // Once the settings are confirmed, the record goes back with the magic's NUL, or every start asks again.
  fake::local.needsSetup = false;
  settings::savePreferences(fake::local);
  EXPECT_EQ(readFile(fake::local.prefsPaths[settings::placeWindows]).substr(0, 16),
            std::string("TAVELINE_V107\0TT", 16));
}

TEST_F(PreferencesTest, PathWithoutNulReadsBoundedByItsField) {
  std::string bytes = record("TAVELINE_V107", 1);
  std::memset(&bytes[16], 'n', 512);  // both paths without NUL
  writeFile(fake::local.prefsPaths[settings::placeWindows], bytes);
  settings::loadPreferences(fake::local);
  char path[settings::PathSize + 1];
  settings::pathText(prefs.nameListPath, path);
  EXPECT_EQ(std::strlen(path), 256u);
}

// Defaulted preferences do not stop the history from loading, and it follows the preferences' place.
TEST_F(PreferencesTest, HistoryIsLoadedWhateverThePreferencesAndFollowsTheirPlace) {
  std::string hist(2400, '\0');
  std::memcpy(&hist[0], "会議", 5);
  writeFile(fake::local.historyPaths[settings::placeWindows], hist);
  settings::loadPreferences(fake::local);
  settings::loadHistory(fake::history, fake::local);
  EXPECT_STREQ(fake::history.texts[0], "会議");

  writeFile(fake::local.prefsPaths[settings::placeCurrent], record("TAVELINE_V107"));
  fake::resetAll();
  fake::currentDir = current.path();
  fake::windowsDir = windows.path();
  settings::initLocalPaths(fake::local);
  settings::loadPreferences(fake::local);
  settings::loadHistory(fake::history, fake::local);  // from the current directory now, where there is none
  EXPECT_STREQ(fake::history.texts[0], "");
  settings::addToHistory(fake::history, "出張");
  settings::saveHistory(fake::history, fake::local);
  EXPECT_EQ(readFile(fake::local.historyPaths[settings::placeCurrent]).size(), 2400u);
  EXPECT_EQ(readFile(fake::local.historyPaths[settings::placeWindows]), hist);
}

}  // namespace
