#pragma once
// Shared by the fuzz targets: a fresh process state per input, a scratch directory for the files
// the loaders read, and a check that turns a broken property into a crash libFuzzer records.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Aborts with the description when the property does not hold.
void check(bool holds, const char* what);

// A directory of our own under the temporary directory, made once and removed at exit.
const std::string& scratchDir();
// Writes the bytes as the whole content of dir/name and returns the path.
std::string writeScratch(const char* name, const uint8_t* data, size_t size);

// Whether the bytes are well-formed UTF-8 (no overlong form, no surrogate, nothing past U+10FFFF).
bool isUtf8(const char* s, size_t len);

// Everything written to a stream, for checking what a terminal or a JSON reader would receive.
struct Capture {
  Capture();
  ~Capture();
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  FILE* stream() const { return f; }
  std::string text();  // flushes and returns all written so far

  FILE* f;
  char* buffer = nullptr;
  size_t size = 0;
};

}  // namespace fuzz
