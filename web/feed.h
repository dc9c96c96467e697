#pragma once
// The board as the web pages see it: one published copy of the image behind a mutex, a generation
// that moves with every change, and which rows each recent generation changed, so that an open page
// is sent only the rows it has not seen. The share's own thread publishes; page threads only read.
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>

#include "store/board.h"

namespace store {
struct Share;
}

namespace web {

// Generations whose changed rows are kept; a page further behind is sent every row.
constexpr int ChangeHistory = 64;
constexpr int SlotWords = (store::MaxMembers + 63) / 64;

struct Feed {
  std::mutex mutex;
  std::condition_variable changed;

  store::BoardImage image;
  char names[store::MaxMembers][store::NameSize];
  int memberCount = 0;
  std::tm judgedAt{};                        // the moment the flags below were judged at
  unsigned char flags[store::MaxMembers]{};  // overdue and stale, as last sent
  uint64_t generation = 0;
  uint64_t changedIn[ChangeHistory][SlotWords]{};
  uint64_t textsChangedIn[store::MaxMembers]{};  // the generation in which each row's texts last changed
  std::string rowJson[store::MaxMembers];        // each row as show --json prints it
  std::string nextEvent;                         // from generation - 1 to generation, made once for every page

  // The last good read, on the steady clock and as the page shows it.
  uint64_t goodReadMs = 0;
  char goodReadText[32] = "";
  // The watcher's ticks, good or not: a page's stream wakes at each to judge the board's age.
  uint64_t ticks = 0;
  bool stopping = false;
};

// The share's image after a good read or a write: rows that differ from the published ones (their
// texts, or their flags judged at now) become a new generation and every waiting page is woken.
void publish(Feed& feed, const store::Share& share, const std::tm& now, uint64_t nowMs);
// The same from a published copy of the board (the share worker's snapshot).
void publish(Feed& feed, const store::BoardImage& board, const char (*names)[store::NameSize], int memberCount,
             const std::tm& now, uint64_t nowMs);

// Whether the slot's texts changed after the generation a page showed (a flag judged anew is no change).
bool changedSince(Feed& feed, int slot, uint64_t generation);

// One look at the share is over, good or not: every page's stream wakes.
void tick(Feed& feed);

// Whether the last good read is too old to trust, by the window's rule at a one-second timer: two
// ticks without a good read.
bool boardIsOld(const Feed& feed, uint64_t nowMs);

// The server-sent events that bring a page from generation since to the current one ("" when it is
// current): the changed rows, or every row when since is too old or from another run. The caller
// holds feed.mutex.
std::string eventsSince(const Feed& feed, uint64_t since);

// The "age" event: whether the board is old and since when it was last read.
std::string ageEvent(const Feed& feed, bool old);

}  // namespace web
