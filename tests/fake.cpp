#include "tests/fake.h"

#include <cstring>

#include "platform/faults.h"
#include "platform/status.h"
#include "platform/system.h"
#include "text/cp932.h"
#include "text/waits.h"

namespace fake {

uint64_t nowMs;
std::vector<unsigned> sleeps;
std::function<void()> afterSleep;
std::string hostName;
unsigned long processId;
std::string currentDir;
std::string windowsDir;
std::string virtualStoreDir;
std::string userDir;
std::tm localTime;
bool statusBar;
int boardReads;
std::vector<Event> events;
store::Share share;
settings::Local local;
settings::EntryHistory history;

void resetAll() {
  nowMs = 1000000;
  sleeps.clear();
  afterSleep = nullptr;
  hostName = "TESTPC";
  processId = 4242;
  currentDir.clear();
  windowsDir.clear();
  virtualStoreDir.clear();
  userDir.clear();
  localTime = std::tm{};
  statusBar = true;
  boardReads = 0;
  events.clear();
  settings::resetPreferences(local);
  std::memset(&history, 0, sizeof history);
  store::resetShare(share);
  files::faults::reset();
  files::faults::coarseTimes(0);
  text::seedSpread(0);
}

std::vector<std::string> messages() {
  std::vector<std::string> out;
  for (const Event& e : events)
    if (e.kind == Event::message) out.push_back(e.text);
  return out;
}

int beeps() {
  int n = 0;
  for (const Event& e : events) n += e.kind == Event::beep;
  return n;
}

}  // namespace fake

namespace {
size_t copyOut(const std::string& text, char* out, size_t size) {
  if (text.empty()) return 0;
  if (text.size() + 1 > size) return text.size() + 1;
  std::memcpy(out, text.c_str(), text.size() + 1);
  return text.size();
}
}  // namespace

namespace platform {

int hostName(char* out, size_t size) {
  if (fake::hostName.size() + 1 > size) return -1;
  std::memcpy(out, fake::hostName.c_str(), fake::hostName.size() + 1);
  return 0;
}
uint64_t elapsedMs() { return fake::nowMs; }
void sleepMs(unsigned ms) {
  fake::sleeps.push_back(ms);
  fake::nowMs += ms;
  if (fake::afterSleep) fake::afterSleep();
}
void localNow(std::tm* out) { *out = fake::localTime; }
size_t currentDirectory(char* out, size_t size) { return copyOut(fake::currentDir, out, size); }
size_t windowsDirectory(char* out, size_t size) { return copyOut(fake::windowsDir, out, size); }
size_t virtualStoreDirectory(char* out, size_t size) { return copyOut(fake::virtualStoreDir, out, size); }
size_t userDirectory(char* out, size_t size) { return copyOut(fake::userDir, out, size); }
void prepareUserDirectory() {}
#ifdef _WIN32
char separator() { return '\\'; }
bool isSeparator(unsigned char b) { return b == '\\' || b == '/'; }
bool isPathLeadByte(unsigned char b) { return text::isLeadByte(b); }
#else
char separator() { return '/'; }
bool isSeparator(unsigned char b) { return b == '/'; }
bool isPathLeadByte(unsigned char) { return false; }
#endif
unsigned long processId() { return fake::processId; }

}  // namespace platform

namespace status {

void showStatus(const char* text) {
  hear(text);
  fake::events.push_back({fake::Event::message, text, fake::nowMs});
}
void beep() {
  hearBeep();
  fake::events.push_back({fake::Event::beep, "", fake::nowMs});
}
bool showsBoardTime() { return fake::statusBar; }
void boardRead() {
  hearRead();
  ++fake::boardReads;
}

}  // namespace status
