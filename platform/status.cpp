#include "platform/status.h"

#include <cstring>

namespace status {

namespace {

thread_local Heard* listening = nullptr;

}  // namespace

void hear(const char* text) {
  if (!listening) return;
  const size_t length = strnlen(text, HeardSize - 1);
  std::memcpy(listening->message, text, length);
  listening->message[length] = '\0';
  listening->said = true;
}

void hearBeep() {
  if (listening) listening->beeped = true;
}

void hearRead() {
  if (listening) listening->read = true;
}

Listen::Listen(Heard& into) : before_(listening) {
  into = Heard{};
  listening = &into;
}

Listen::~Listen() { listening = before_; }

}  // namespace status
