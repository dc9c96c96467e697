#pragma once
// This PC's own settings: one 550-byte record, loaded at start-up and saved at shutdown.
#include <cstddef>
#include <cstdint>

namespace settings {

// A 16-bit signed little-endian integer of the file, read and written byte by byte.
struct Le16 {
  unsigned char bytes[2];
  int16_t get() const { return static_cast<int16_t>(bytes[0] | (bytes[1] << 8)); }
  void set(int value) {
    bytes[0] = static_cast<unsigned char>(value & 0xFF);
    bytes[1] = static_cast<unsigned char>((value >> 8) & 0xFF);
  }
};

constexpr size_t PathSize = 256;

struct Preferences {
  char magic[16];
  char nameListPath[PathSize];
  char boardPath[PathSize];
  Le16 colWidthName;
  Le16 colWidthMorning;
  Le16 colWidthReturn;
  Le16 colWidthWritten;
  Le16 windowWidth;
  Le16 windowHeight;
  Le16 windowX;
  Le16 windowY;
  Le16 refreshMinutes;
  Le16 colWidthAfternoon;
  Le16 colWidthState;
};

static_assert(sizeof(Le16) == 2, "16-bit fields");
static_assert(sizeof(Preferences) == 550, "the preferences file is the record byte for byte");
static_assert(offsetof(Preferences, magic) == 0, "preferences layout");
static_assert(offsetof(Preferences, nameListPath) == 16, "preferences layout");
static_assert(offsetof(Preferences, boardPath) == 272, "preferences layout");
static_assert(offsetof(Preferences, colWidthName) == 528, "preferences layout");
static_assert(offsetof(Preferences, colWidthMorning) == 530, "preferences layout");
static_assert(offsetof(Preferences, colWidthReturn) == 532, "preferences layout");
static_assert(offsetof(Preferences, colWidthWritten) == 534, "preferences layout");
static_assert(offsetof(Preferences, windowWidth) == 536, "preferences layout");
static_assert(offsetof(Preferences, windowHeight) == 538, "preferences layout");
static_assert(offsetof(Preferences, windowX) == 540, "preferences layout");
static_assert(offsetof(Preferences, windowY) == 542, "preferences layout");
static_assert(offsetof(Preferences, refreshMinutes) == 544, "preferences layout");
static_assert(offsetof(Preferences, colWidthAfternoon) == 546, "preferences layout");
static_assert(offsetof(Preferences, colWidthState) == 548, "preferences layout");

constexpr char PrefsMagic[] = "TAVELINE_V107";
constexpr char DefaultNameListPath[] = "\\\\server_name\\tv_name.lst";
constexpr char DefaultBoardPath[] = "\\\\server_name\\tv_cont.lst";

// Where the local records may be, in the order they are looked for: the current folder (only when
// a record stands there), the user's own folder (%APPDATA%\Tavelin; ~/.config/tavelin on POSIX), the
// copy an older 32-bit program saw in the user's VirtualStore, and the Windows folder. A copy is made
// in the user's folder only when the place found would not take a save, so once there it wins.
enum Place { placeCurrent, placeUser, placeVirtualStore, placeWindows, PlaceCount };

// This PC's records as loaded, and where they live. The front end owns one and passes it on.
struct Local {
  Preferences prefs;
  bool needsSetup;  // the record was defaulted: the settings must be run first
  // The local file paths per place; an empty path marks a place this system lacks or a folder too
  // long to hold the file's name.
  char prefsPaths[PlaceCount][PathSize];
  char historyPaths[PlaceCount][PathSize];
  // Where the preferences were loaded from, and so where both records live; -1 when nowhere yet.
  int recordsPlace = -1;
};
inline bool prefsFromCurrentDir(const Local& local) { return local.recordsPlace == placeCurrent; }

void initLocalPaths(Local& local);
void loadPreferences(Local& local);
void savePreferences(Local& local);

// Writes a local record (of the paths given per place) where the records live, when that place
// takes it; else, for a first start, the Windows folder as older PCs do; else the user's folder.
// Never a new one in the current folder, which is often the share itself. The place that took it
// is where both records live from then on.
void saveLocalRecord(Local& local, const char (&paths)[PlaceCount][PathSize], const void* data, size_t size);

// A path field as a NUL-terminated text (bounded by its 256 bytes even when a file gave no NUL).
void pathText(const char (&field)[PathSize], char (&out)[PathSize + 1]);

// Back to the state of a fresh process; for tests and tools that load more than once.
void resetPreferences(Local& local);

}  // namespace settings
