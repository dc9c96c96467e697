// clang-format off
#include <windows.h>
// clang-format on

#include <cstdio>

#include "web/memory_file.h"

namespace web {

// The C library here has no stream in memory: a temporary file the system keeps in its cache
// ("T") and deletes when it is closed ("D") stands in.
MemoryFile::MemoryFile() {
  wchar_t folder[MAX_PATH + 1];
  wchar_t path[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"tvl", 0, path) == 0) return;
  file_ = _wfopen(path, L"w+bTD");
  if (!file_) DeleteFileW(path);
}

MemoryFile::~MemoryFile() {
  if (file_) std::fclose(file_);
}

std::string MemoryFile::take() {
  if (!file_) return "";
  std::fflush(file_);
  const long size = std::ftell(file_);
  std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  std::rewind(file_);
  if (!text.empty() && std::fread(&text[0], 1, text.size(), file_) != text.size()) text.clear();
  std::rewind(file_);
  return text;
}

}  // namespace web
