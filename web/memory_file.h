#pragma once
// A stream whose bytes end up in a string, so that the report writers, which print to a FILE*, make
// the server's answers too.
#include <cstdio>
#include <string>

namespace web {

class MemoryFile {
 public:
  MemoryFile();
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  FILE* get() const { return file_; }
  // Everything written so far; the stream starts again empty.
  std::string take();

 private:
  char* buffer_ = nullptr;
  size_t size_ = 0;
  FILE* file_ = nullptr;
};

}  // namespace web
