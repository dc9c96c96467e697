#pragma once
// The options every command shares, and where the board and the name list come from (SOURCE).
#include <cstddef>

namespace cli {

// Options a command accepts, as a bit set; anything else is a usage error.
enum Allow : unsigned {
  AllowSource = 1u << 0,     // --prefs, --names, --board
  AllowJson = 1u << 1,       // --json
  AllowRowPick = 1u << 2,    // --slot, --member
  AllowTexts = 1u << 3,      // --morning, --afternoon, --return, --state, --clear
  AllowNamesOnly = 1u << 4,  // --names without the rest of SOURCE (init-share)
  AllowOperand = 1u << 5,    // one positional operand (a file or a directory)
};

struct Options {
  bool help = false;
  const char* prefsPath = nullptr;
  const char* namesPath = nullptr;
  const char* boardPath = nullptr;
  bool json = false;
  long slot = -1;  // -1: not given
  const char* member = nullptr;
  // Null when not given, so set can keep the member's current text.
  const char* morning = nullptr;
  const char* afternoon = nullptr;
  const char* returnTime = nullptr;
  const char* state = nullptr;
  bool clear = false;
  const char* operand = nullptr;
};

// Parses argv[1..argc) of one command. False with a one-line reason in error when the arguments
// do not fit; --help stops the parse at once and succeeds.
bool parseOptions(int argc, char** argv, unsigned allow, Options& out, char* error, size_t errorSize);

// What the command needs of SOURCE.
enum class Need {
  boardAndNames,  // show, set
  board,          // reset-lock, and show --board FILE on its own
};

enum class SourceKind { defaults, prefsFile, paths };

// Checks the combination of SOURCE options. False with a reason for e.g. --prefs with --board.
bool checkSource(const Options& opts, Need need, SourceKind& kind, char* error, size_t errorSize);

// Puts the name-list and board paths into settings::prefs: from the given preferences file, from
// --names/--board, or from the preferences the program itself would load. False (usage error) when
// the file is not a preferences record, a path does not fit 255 bytes, or no preferences exist.
bool applySource(const Options& opts, SourceKind kind, char* error, size_t errorSize);

// A path argument as the C library must see it (the ANSI code page on Windows); false when it does
// not fit out or cannot be represented.
bool nativePath(const char* arg, char* out, size_t outSize);

// checkSource then applySource; ExitOk, or ExitUsage after printing the reason and usage.
int prepareSource(const char* command, const Options& opts, Need need, const char* usage);

// loadNameList, reporting a list that cannot be opened as the program does ("cannot connect").
bool loadNames();

// Prints the command's usage to stdout (its --help); returns ExitOk.
int printHelp(const char* usage);

// Prints "tavelin-cli CMD: reason" and the command's usage to stderr; returns ExitUsage.
int usageError(const char* command, const char* reason, const char* usage);

}  // namespace cli
