// Full-width folding, on any text a user can type or a file can hold.
#include <cstring>
#include <vector>

#include "fuzz/harness.h"
#include "text/fold.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exactly the text and its NUL on the heap, so a read or write past them is caught.
  std::vector<char> textBuffer(data, data + size);
  textBuffer.push_back('\0');
  char* text = textBuffer.data();
  const size_t before = std::strlen(text);
  const std::vector<char> original(text, text + before + 1);

  text::foldFullWidth(text);
  const size_t after = std::strlen(text);
  fuzz::check(after <= before, "folding never lengthens a text");
  if (before > 255) fuzz::check(std::memcmp(text, original.data(), before + 1) == 0, "long texts unchanged");

  std::vector<char> again(text, text + after + 1);
  text::foldFullWidth(again.data());
  fuzz::check(std::strcmp(again.data(), text) == 0, "folding a folded text changes nothing");
  return 0;
}
