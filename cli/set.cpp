#include <cstdio>
#include <cstring>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/entry.h"
#include "cli/lock_info.h"
#include "cli/session.h"
#include "cli/share_guard.h"
#include "report/report.h"
#include "store/access.h"
#include "store/board.h"
#include "store/lock.h"
#include "store/names.h"
#include "text/cp932.h"
#include "text/fold.h"
#include "text/timestamps.h"
#include "text/waits.h"

namespace cli {

namespace {

constexpr char SetUsage[] =
    "usage: tavelin-cli set [SOURCE] (--slot N | --member NAME) [--morning T] [--afternoon T]\n"
    "                       [--return T] [--state T] [--clear] [--force] [--no-lock]\n"
    "  Writes one member's row as the entry dialog's OK does: fields not given keep their current\n"
    "  text; the time written is stamped and the return time folded to ASCII. With all four texts\n"
    "  empty, or --clear, the row is cleared, time included. Texts are UTF-8 without control\n"
    "  characters and must fit the dialog: 118, 118, 62 and 14 bytes of CP932 for morning,\n"
    "  afternoon, return and state.\n"
    "  --force     write a board file that is neither empty nor 192,000 bytes or more\n"
    "  --no-lock   write where no lock file can be made, or through a FUSE SMB mount\n"
    "SOURCE: --prefs FILE, or --names FILE --board FILE; without it, this PC's preferences.\n";

struct Texts {
  char morning[MorningLimit + 1];
  char afternoon[AfternoonLimit + 1];
  char returnTime[ReturnLimit + 1];
  char state[StateLimit + 1];
};

// Converts one given text; reports and answers false when the dialog could not have passed it.
bool takeText(const char* option, const char* utf8, size_t limit, char* out, size_t outSize) {
  if (!utf8) return true;
  char reason[160], what[48];
  size_t at = 0;
  switch (dialogText(utf8, limit, out, outSize, &at)) {
    case TextCheck::ok: return true;
    case TextCheck::tooLong:
      std::snprintf(reason, sizeof reason, "%s is longer than %zu bytes in CP932", option, limit);
      break;
    case TextCheck::notCp932:
      if (nameCharacter(utf8, at, what, sizeof what))
        std::snprintf(reason, sizeof reason, "%s has %s, which CP932 cannot hold", option, what);
      else
        std::snprintf(reason, sizeof reason, "%s is not UTF-8 (%s)", option, what);
      break;
    case TextCheck::control:
      std::snprintf(reason, sizeof reason, "%s holds a control character, which every PC would show raw", option);
      break;
  }
  usageError("set", reason, "");
  return false;
}

bool takeTexts(const Options& opts, Texts& t) {
  t = Texts{};
  return takeText("--morning", opts.morning, MorningLimit, t.morning, sizeof t.morning) &&
         takeText("--afternoon", opts.afternoon, AfternoonLimit, t.afternoon, sizeof t.afternoon) &&
         takeText("--return", opts.returnTime, ReturnLimit, t.returnTime, sizeof t.returnTime) &&
         takeText("--state", opts.state, StateLimit, t.state, sizeof t.state);
}

void listMembers(const int* slots, int count) {
  for (int i = 0; i < count; ++i) {
    std::fprintf(stderr, "  %4d  ", slots ? slots[i] : i);
    const char* name = share().displayNames[slots ? slots[i] : i];
    report::writeTerminalText(stderr, name, std::strlen(name));
    std::fputc('\n', stderr);
  }
}

// Fields not given keep what the board holds now, as the dialog shows them.
void keepCurrent(const Options& opts, int slot, Texts& t) {
  const store::ScheduleEntry& e = share().board.entries[slot];
  if (!opts.morning) currentText(e.morning, sizeof e.morning, MorningLimit, t.morning, sizeof t.morning);
  if (!opts.afternoon) currentText(e.afternoon, sizeof e.afternoon, AfternoonLimit, t.afternoon, sizeof t.afternoon);
  if (!opts.state) currentText(e.state, sizeof e.state, StateLimit, t.state, sizeof t.state);
  if (!opts.returnTime)
    currentText(share().board.returnTimes[slot], store::ReturnTimeSize, ReturnLimit, t.returnTime, sizeof t.returnTime);
}

// The board access failed: say why when it can be told (no lock possible, a lock held, a board
// file that does not open for the reading or the writing).
int boardFailed(const Options& opts, bool writing) {
  if (store::lockUnavailable(share()) && !opts.noLock)
    reportNoLock("set", true);
  else if (!explainHeldLock("set"))
    explainBoardNotOpening("set", writing);
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
  if (!text::utf8ToCp932(opts.member, name, sizeof name)) name[0] = '\x7F';  // matches no name
  int matches[store::MaxMembers];
  int count = matchMembers(name, matches, store::MaxMembers);
  if (count == 1) return matches[0];
  if (count == 0) {
    usageError(command, "no member has exactly this name; the members are:", "");
    listMembers(nullptr, share().memberCount);
  } else {
    usageError(command, "several members have this name; pick one with --slot:", "");
    listMembers(matches, count);
  }
  return -1;
}

int runSet(int argc, char** argv) {
  Options opts;
  char error[512];
  if (!parseOptions(argc, argv, SetOptions, opts, error, sizeof error)) return usageError("set", error, SetUsage);
  if (opts.help) return printHelp(SetUsage);
  // Every text is checked before the share is touched, so a bad one writes nothing.
  Texts t;
  if (!takeTexts(opts, t)) return ExitUsage;
  int status = prepareSource("set", opts, Need::boardAndNames, SetUsage);
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
  if (!store::refreshBoard(share())) return boardFailed(opts, false);
  char written[text::WrittenAtSize] = "";
  if (opts.clear) {
    t = Texts{};
  } else {
    keepCurrent(opts, slot, t);
    if (t.morning[0] || t.afternoon[0] || t.returnTime[0] || t.state[0]) {
      text::formatWrittenAt(written);
      text::foldFullWidth(t.returnTime);
    }
  }
  const int saved = store::writeRow(share(), slot, {t.morning, t.afternoon, t.state, t.returnTime, written});
  if (saved == 1) return ExitOk;
  // Not a success to a script, nor a plain failure: the row may be on the board.
  if (saved == store::MayHaveLanded) {
    std::fputs(
        "tavelin-cli set: the write could not be confirmed; the row may have been saved. Check it with "
        "'tavelin-cli show'.\n",
        stderr);
    return ExitFailed;
  }
  return boardFailed(opts, true);
}

}  // namespace cli
