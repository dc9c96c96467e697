#include "platform/status.h"

#include <cstring>

namespace status {

namespace {

thread_local Heard* listening = nullptr;
thread_local void (*saidTo)(const char*) = nullptr;

}  // namespace

void hear(const char* text) {
  if (!listening) return;
  const size_t length = strnlen(text, HeardSize - 1);
  std::memcpy(listening->message, text, length);
  listening->message[length] = '\0';
  listening->said = true;
  if (saidTo) saidTo(listening->message);
}

void hearBeep() {
  if (listening) listening->beeped = true;
}

void hearRead() {
  if (listening) listening->read = true;
}

Listen::Listen(Heard& into, void (*said)(const char*)) : before_(listening), saidBefore_(saidTo) {
  into = Heard{};
  listening = &into;
  saidTo = said;
}

Listen::~Listen() {
  listening = before_;
  saidTo = saidBefore_;
}

}  // namespace status
