#pragma once
// The test double of the platform and of the status line: a virtual clock whose sleep advances time
// at once, fixed directories and host name, and a record of every status message and beep in order.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "settings/history.h"
#include "settings/preferences.h"
#include "store/share.h"

namespace fake {

// Resets every record of the core and of the fake to a fresh process's state.
void resetAll();

// What a front end owns and passes to the core: the share, this PC's records and the history.
extern store::Share share;
extern settings::Local local;
extern settings::EntryHistory history;

extern uint64_t nowMs;                    // the virtual clock
extern std::vector<unsigned> sleeps;      // every sleep requested, in order
extern std::function<void()> afterSleep;  // runs after each sleep: other clients acting meanwhile
extern std::string hostName;
extern unsigned long processId;
extern std::string currentDir;  // empty: the query fails
extern std::string windowsDir;
extern std::string virtualStoreDir;
extern std::string userDir;
extern std::tm localTime;
extern bool statusBar;
extern int boardReads;  // good reads the front end was told of

struct Event {
  enum Kind { message, beep } kind;
  std::string text;  // CP932, for messages
  uint64_t atMs;
};
extern std::vector<Event> events;

std::vector<std::string> messages();  // the texts only, in order
int beeps();

}  // namespace fake
