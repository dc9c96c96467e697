#pragma once
// What every family of GUI cases shares: the program under test, a fresh directory per case with its
// share and preferences, the board the cases start from, checks and screenshots.
#include <windows.h>
// commctrl.h needs the types windows.h declares.
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>

#include "settings/preferences.h"
#include "store/board.h"
#include "tests/gui/remote.h"
#include "ui/resources/resource.h"

namespace gui {

extern std::string exe, scratch, shots;
extern int failures;

#define CHECK(cond, ...)                                              \
  do {                                                                \
    if (!(cond)) {                                                    \
      std::printf("  FAILED %s:%d: %s: ", __FILE__, __LINE__, #cond); \
      std::printf(__VA_ARGS__);                                       \
      std::printf("\n");                                              \
      ++gui::failures;                                                \
    }                                                                 \
  } while (0)

constexpr DWORD StartMs = 30000;
constexpr DWORD SlowStartMs = 90000;  // the name list is tried 20 times a second apart
constexpr DWORD ExitMs = 15000;

inline const char* const Names[] = {"山田 太郎(101)", "佐藤 花子(102)",   "鈴木 一郎(103)", "高橋 美咲(104)",
                                    "田中 健(105)",   "伊藤 さくら(106)", "渡辺 翔(107)",   "中村 愛(108)"};
constexpr int NameCount = sizeof Names / sizeof Names[0];

struct Row {
  int slot;
  const char* morning;
  const char* afternoon;
  const char* returnTime;
  const char* state;
  std::string written;
};
// Stamps from the clock the cases run under, so that no outcome depends on the day they run: today's or
// yesterday's date with the time given ("HH:MM").
std::string todayAt(const char* time);
std::string yesterdayAt(const char* time);
// Written the day before: grey on any day the cases run, never red.
inline const Row Filled[] = {
    {0, "定例会議", "資料作成", "", "社内", yesterdayAt("08:55")},
    {2, "客先訪問（横浜）", "", "15:00", "外出・戻り", yesterdayAt("09:10")},
    {7, "表示テスト", "ソフト開発", "17:30", "外出・直帰", yesterdayAt("07:40")},
};

// The board a case writes to its share: Filled, and whatever rows the case sets.
extern store::BoardImage image;

std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const void* data, size_t size);
bool exists(const std::string& path);
// A row into image.
void setRow(const Row& row);
std::string fieldOf(const char* field, size_t size);
bool pathIs(const char (&field)[settings::PathSize], const std::string& path);

// A fresh case directory: share\ with the name list and board, run\ as the program's current directory.
struct CaseDirs {
  std::string root, share, run;
};

CaseDirs makeCase(const char* name);
// A case whose preferences point at its own share's name list and board.
CaseDirs makeBoardCase(const char* name);
settings::Preferences preferencesFor(const std::string& nameList, const std::string& boardFile);
void writePreferences(const CaseDirs& d, const settings::Preferences& p);
settings::Preferences readPreferences(const CaseDirs& d);

// Pending paints of the program's windows are done first, so the picture shows settled windows.
void screenshot(const char* name);

// The DPI the program runs at: the desktop's LogPixels, 96 when none is set.
int screenDpi();
// A length of 96-DPI units as the program shows it at that DPI (rounded as the program rounds).
int atDpi(int length);
// The user's tavelin.ini, which every case starts without.
std::string userIniPath();
// A lock file on the case's share held by another PC.
void holdLock(const CaseDirs& d, const char* holder = "OTHERPC");
void releaseLock(const CaseDirs& d);
// The lock file as written two hours and five minutes ago.
void ageLock(const CaseDirs& d);

struct Window {
  HWND main = nullptr, list = nullptr, status = nullptr, toolbar = nullptr;
};

Window windowOf(HWND main);
// Starts the program on a case whose board is ready and waits for its rows.
Window startWithBoard(Program& p, const CaseDirs& d);
bool closeProgram(Program& p, const Window& w);
// A mouse click on a column's header, as the header passes it on to the list.
bool clickHeader(const Program& p, const Window& w, int column);
// Presses a dialog button and waits for the dialog to go.
bool pressAndWaitClosed(HWND dialog, int id);
// Whether the window takes a command now: while its share is busy (a look of the timer or of the folder's
// watch too) it greys the board's buttons and refuses commands with a beep.
bool boardIdle(const Window& w);
// A click, key or menu command the window may refuse while its share is busy: done once it is idle, and
// again, as a member tries again once the buttons are back, only when the share went busy before it was
// taken. False when it was never taken, or went unanswered while the window stayed idle.
bool actWhenIdle(const Window& w, const std::function<void()>& act, const std::function<bool()>& taken, DWORD ms);
// The dialog with the caption that a menu command opens, given once the window takes it; nullptr when none came.
HWND commandDialog(const Program& p, const Window& w, int command, const char* caption);
// The mouse moved onto a screen point from the pixel beside it. Under Wine a move to the very point the
// pointer was last moved to (a case tried again hovers where its first try did) reaches no window, and a
// tip shows only after a move over its tool.
void moveMouseOnto(POINT at);

// The cases, one family to a file.
void membersSecondStartAndClose();
void listUpdateAndExit();
void entryByRightClick();
void entryOnACutRow();
void entryCancelAndMiss();
void entryByKeyboard();
void firstStart();
void settingsBrowseThenCancel();
void settingsInterval();
void settingsSameFileForBoth();
void settingsNamePathTrouble();
void settingsOwnNameByTyping();
void settingsBackslashesOnly();
void settingsOlderLockAndWritesWithoutLock();
void recordsInUserFolders();
void menuAboutPageAndReset();
void shareComesBack();
void failureGoesWithTheShare();
void nameListTrouble();
void statusTimeOfGoodRead();
void lockHeldWindowAnswers();
void watchShowsAnotherPcsRow();
void closeDuringAccess();
void shareStallsWindowAnswers();
void closeInLockOperation();
void shutdownSavesRecords();
void closeTellsUnsaved();
void entryFailedSaveKeepsTyping();
void entryRefusesTooLong();
void entryLongNameCaption();
void layoutAtScreenDpi();
void firstStartWidths();
void longNamesWidths();
void dpiChangeKeepsRecordUnits();
void maximisedAndColumnOrder();
void rowsAtAGlance();
void returnTimesAtNoon();
void entryRowChangedMeanwhile();
void myRow();
void myStateNotSaved();
void lockLeftBehindAdvice();
void findSortAndRefresh();
void saveAsCsv();
void stateIcons();
void staleBoardWarning();

}  // namespace gui
