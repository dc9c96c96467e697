#include <cstdlib>

#include "web/memory_file.h"

namespace web {

MemoryFile::MemoryFile() : file_(open_memstream(&buffer_, &size_)) {}

MemoryFile::~MemoryFile() {
  if (file_) std::fclose(file_);
  std::free(buffer_);
}

std::string MemoryFile::take() {
  if (!file_) return "";
  std::fflush(file_);
  std::string text(buffer_, size_);
  std::rewind(file_);
  std::fflush(file_);
  return text;
}

}  // namespace web
