#include <cstdio>
#include <cstring>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/entry.h"
#include "cli/lock_info.h"
#include "cli/output.h"
#include "cli/session.h"
#include "cli/share_guard.h"
#include "report/report.h"
#include "store/access.h"
#include "store/board.h"
#include "store/lock.h"
#include "store/names.h"
#include "store/typed_row.h"
#include "text/cp932.h"
#include "text/waits.h"

namespace cli {

namespace {

// The limits come from the row's words (store/row_words.h), filled in by setUsage.
constexpr char SetUsageFormat[] =
    "usage: tavelin-cli set [SOURCE] (--slot N | --member NAME) [--morning T] [--afternoon T]\n"
    "                       [--return T] [--state T] [--clear | --touch] [--force] [--no-lock]\n"
    "  Writes one member's row as the entry dialog's OK does: fields not given keep their current\n"
    "  text; the time written is stamped and the return time folded to ASCII. With all four texts\n"
    "  empty, or --clear, the row is cleared, time included; --touch writes the time anew and keeps\n"
    "  the texts. Without a text, --clear or --touch nothing is written. Texts are UTF-8 without control\n"
    "  characters and must fit the dialog: %zu, %zu, %zu and %zu bytes of CP932 for morning,\n"
    "  afternoon, return and state.\n"
    "  --force     write a board file that is neither empty nor 192,000 bytes or more\n"
    "  --no-lock   write where no lock file can be made, or through a FUSE SMB mount\n"
    "  A text that starts with \"--\" is given as --morning=TEXT.\n"
    "SOURCE: --prefs FILE, or --names FILE --board FILE; without it, this PC's preferences.\n";

const char* setUsage() {
  static char usage[sizeof SetUsageFormat + 32];
  std::snprintf(usage, sizeof usage, SetUsageFormat, store::MorningLimit, store::AfternoonLimit, store::ReturnLimit,
                store::StateLimit);
  return usage;
}

// The texts as given, by store::Typed, with the options that gave them.
void givenTexts(const Options& opts, store::GivenTexts& given) {
  given[static_cast<int>(store::Typed::morning)] = opts.morning;
  given[static_cast<int>(store::Typed::afternoon)] = opts.afternoon;
  given[static_cast<int>(store::Typed::returnTime)] = opts.returnTime;
  given[static_cast<int>(store::Typed::state)] = opts.state;
}
constexpr store::TextNames OptionNames = {"--morning", "--afternoon", "--return", "--state"};

// At most this many names follow a --member that matched none or several: not all 300.
constexpr int ListedNames = 5;

void listMembers(const int* slots, int count) {
  for (int i = 0; i < count && i < ListedNames; ++i) {
    std::fprintf(stderr, "  %4d  ", slots[i]);
    const char* name = share().displayNames[slots[i]];
    report::writeTerminalText(stderr, name, std::strlen(name));
    std::fputc('\n', stderr);
  }
  if (count > ListedNames) std::fprintf(stderr, "  and %d more\n", count - ListedNames);
}

// The slots whose name holds the typed one or is held in it: what a typo or a short form is near.
int nearMembers(const char* name, int* slots) {
  int count = 0;
  for (int slot = 0; slot < share().memberCount && name[0]; ++slot) {
    const char* shown = share().displayNames[slot];
    if (shown[0] && (std::strstr(shown, name) || std::strstr(name, shown))) slots[count++] = slot;
  }
  return count;
}

// The board access failed: say why when it can be told (no lock possible, a lock held, a board
// file that does not open for the reading or the writing).
int boardFailed(const Options& opts, bool writing) {
  if (refuseOddLockSeen("set")) return ExitFailed;
  if (store::lockUnavailable(share()) && !opts.noLock)
    reportNoLock("set", true);
  else if (!explainHeldLock("set") && !explainBoardNotOpening("set", writing))
    reportLastStatus("set", true);
  return ExitFailed;
}

}  // namespace

// The slot to write, or -1 after a usage error has been reported.
int pickSlot(const Options& opts, const char* command) {
  char reason[160];
  if (!opts.member) {
    if (opts.slot < share().memberCount) return static_cast<int>(opts.slot);
    std::snprintf(reason, sizeof reason, "slot %ld is not on the board (%d members)", opts.slot, share().memberCount);
    usageError(command, reason, "");
    return -1;
  }
  char name[store::NameSize];
  // A name the board cannot hold matches no name and is near none; what a failed conversion left
  // in the buffer must not be read as one.
  if (!text::utf8ToCp932(opts.member, name, sizeof name)) name[0] = '\x7F', name[1] = '\0';
  int matches[store::MaxMembers];
  int count = matchMembers(name, matches, store::MaxMembers);
  if (count == 1) return matches[0];
  if (count == 0) {
    count = nearMembers(name, matches);
    usageError(command,
               count ? "no member has exactly this name; near it ('tavelin-cli show' lists all):"
                     : "no member has exactly this name; 'tavelin-cli show' lists the members",
               "");
  } else {
    usageError(command, "several members have this name; pick one with --slot:", "");
  }
  listMembers(matches, count);
  return -1;
}

int runSet(int argc, char** argv) {
  Options opts;
  char error[512];
  const char* usage = setUsage();
  if (!parseOptions(argc, argv, SetOptions, opts, error, sizeof error)) return usageError("set", error, usage);
  if (opts.help) return printHelp(usage);
  // A set that names no text would only stamp the time, making a stale row look fresh: asked for only.
  if (!opts.clear && !opts.touch && !opts.morning && !opts.afternoon && !opts.returnTime && !opts.state)
    return usageError(
        "set", "nothing to write: give a text (--morning, --afternoon, --return, --state), --clear or --touch", usage);
  // Every text is checked before the share is touched, so a bad one writes nothing.
  store::GivenTexts given;
  givenTexts(opts, given);
  store::TypedRow t;
  char reason[160];
  if (!store::takeTexts(given, OptionNames, t, reason, sizeof reason)) {
    usageError("set", reason, "");
    return ExitUsage;
  }
  int status = prepareSource("set", opts, Need::boardAndNames, usage);
  if (status != ExitOk) return status;
  if (!opts.force && !boardLooksRight("set", true)) return ExitUsage;
  if (!opts.noLock && refuseUnsafeMount("set")) return ExitFailed;
  if (!loadNames("set")) return ExitFailed;
  if (share().memberCount == 0) return usageError("set", "the name list has no members", "");
  int slot = pickSlot(opts, "set");
  if (slot < 0) return ExitUsage;

  // Unlike the dialog, a failed refresh stops here: the kept fields would come from an empty image.
  // Unlike older PCs, nothing is written where no lock keeps the others out, unless asked.
  share().requireLock = !opts.noLock;
  share().writeWithoutLock = opts.noLock;
  OddLockWatch oddLock;
  if (!store::refreshBoard(share())) return boardFailed(opts, false);
  if (opts.clear)
    t = store::TypedRow{};
  else
    store::completeRow(share().board, slot, given, t);
  const int saved = store::writeRow(share(), slot, store::textsOf(t));
  if (saved == 1) {
    reportLastStatus("set", false);  // a lock that could not be removed, say
    return ExitOk;
  }
  // Not a success to a script, nor a plain failure: the row may be on the board.
  if (saved == store::MayHaveLanded) {
    std::fputs(
        "tavelin-cli set: the write could not be confirmed; the row may have been saved. Check it with "
        "'tavelin-cli show'. (107)\n",
        stderr);
    return ExitFailed;
  }
  return boardFailed(opts, true);
}

}  // namespace cli
