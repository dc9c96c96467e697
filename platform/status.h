#pragma once
// The status-line seam. Declared here, defined by each front end: the GUI writes the status bar's message part
// and calls MessageBeep(0); the CLI writes UTF-8 to stderr; tests record every call in order.
#include <cstddef>

namespace status {

// The message part of the status line; an empty text clears it. Dropped while no status bar exists.
void showStatus(const char* text);
void beep();
// Whether the front end shows how current the board is (the status line's time part, the time of
// the last good read): the window once its status bar exists; not the CLI, which prints no time.
bool showsBoardTime();
// The board in memory was just read whole or found unchanged: how current it is starts again from now.
void boardRead();

// What one request said on this thread: a share worker gives each answer the message and beep of its
// own request, so no front end has to guess which thread a status line came from.
constexpr size_t HeardSize = 512;
struct Heard {
  char message[HeardSize];
  bool said;
  bool beeped;
  bool read;  // the board was read whole or found unchanged
};
// Every front end's showStatus and beep pass through these first; they record into the thread's
// Heard while one listens, and do nothing otherwise.
void hear(const char* text);
void hearBeep();
void hearRead();
// Listens on this thread for its life; said, when given, is called with each message as it comes
// (a front end acting on a message in the middle of a long access).
class Listen {
 public:
  explicit Listen(Heard& into, void (*said)(const char* text) = nullptr);
  ~Listen();
  Listen(const Listen&) = delete;
  Listen& operator=(const Listen&) = delete;

 private:
  Heard* before_;
  void (*saidBefore_)(const char*);
};

}  // namespace status
