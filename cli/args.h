#pragma once
// The options every command shares, and where the board and the name list come from (SOURCE).
#include <cstddef>

namespace cli {

// Options a command accepts, as a bit set; anything else is a usage error.
enum Allow : unsigned {
  AllowSource = 1u << 0,      // --prefs, --names, --board
  AllowJson = 1u << 1,        // --json
  AllowRowPick = 1u << 2,     // --slot, --member
  AllowTexts = 1u << 3,       // --morning, --afternoon, --return, --state, --clear, --touch
  AllowNamesOnly = 1u << 4,   // --names without the rest of SOURCE (init-share)
  AllowOperand = 1u << 5,     // one positional operand (a file or a directory)
  AllowForce = 1u << 6,       // --force
  AllowNoLock = 1u << 7,      // --no-lock
  AllowCsv = 1u << 8,         // --csv
  AllowServe = 1u << 9,       // --listen, --tokens, --edit-any, --url
  AllowTokensOut = 1u << 10,  // --out, --url, --links, --tokens, --revoke, --kiosk, --sheet
  AllowBoardOnly = 1u << 11,  // --board without the rest of SOURCE (check-names)
};

struct Options {
  bool help = false;
  const char* prefsPath = nullptr;
  const char* namesPath = nullptr;
  const char* boardPath = nullptr;
  bool json = false;
  bool csv = false;
  long slot = -1;                  // -1: not given
  const char* slotText = nullptr;  // --slot as given, checked into slot
  const char* member = nullptr;
  // Null when not given, so set can keep the member's current text.
  const char* morning = nullptr;
  const char* afternoon = nullptr;
  const char* returnTime = nullptr;
  const char* state = nullptr;
  bool clear = false;
  bool touch = false;   // set: the time written anew, the texts kept
  bool force = false;   // write a board file that does not look like one
  bool noLock = false;  // go ahead where no lock file can be made, or through a mount that cannot lock
  const char* operand = nullptr;
  const char* listen = nullptr;      // HOST:PORT
  const char* tokensPath = nullptr;  // serve's token file
  bool editAny = false;
  const char* outPath = nullptr;    // make-tokens' token file
  const char* sheetPath = nullptr;  // make-tokens' printable sheet of links
  const char* urlBase = nullptr;
  bool links = false;   // make-tokens: the links of an existing token file again
  bool revoke = false;  // make-tokens: the member's token taken out
  bool kiosk = false;   // make-tokens: the reception's token
};

// Parses argv[1..argc) of one command. False with a one-line reason in error when the arguments
// do not fit; --help stops the parse at once and succeeds. A value that is itself an option
// ("--return --clear") is a missing value, not a text; "--return=--x" gives it, and after "--"
// every word is an operand.
bool parseOptions(int argc, char** argv, unsigned allow, Options& out, char* error, size_t errorSize);

// What the command needs of SOURCE.
enum class Need {
  boardAndNames,  // show, set
  board,          // reset-lock, and show --board FILE on its own
};

enum class SourceKind { defaults, prefsFile, paths };

// Checks the combination of SOURCE options. False with a reason for e.g. --prefs with --board.
bool checkSource(const Options& opts, Need need, SourceKind& kind, char* error, size_t errorSize);

// Puts the name-list and board paths into local().prefs, and from there into the share: from the
// given preferences file, from --names/--board, or from the preferences the program itself would
// load. False (usage error) when the file is not a preferences record, a path does not fit 255
// bytes, or no preferences exist.
bool applySource(const Options& opts, SourceKind kind, char* error, size_t errorSize);

// Refuses paths of the share that cannot be what they stand for: a folder, or one file named
// for both the name list and the board (a write would replace the list with a board image).
bool checkPaths(char* error, size_t errorSize);

// checkSource, applySource, then checkPaths; ExitOk, or ExitUsage after printing the reason and usage.
int prepareSource(const char* command, const Options& opts, Need need, const char* usage);

// loadNameList (its 20 attempts); a list that cannot be opened is reported as the program does
// ("cannot connect") and by its path.
bool loadNames(const char* command);

// Prints the command's usage to stdout (its --help); returns ExitOk.
int printHelp(const char* usage);

// Prints "tavelin-cli CMD: reason" to stderr as one line, with a pointer to --help when usage is
// not empty; returns ExitUsage.
int usageError(const char* command, const char* reason, const char* usage);

}  // namespace cli
