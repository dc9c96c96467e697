// clang-format off
#include <windows.h>
// after windows.h
#include <bcrypt.h>
// clang-format on

#include <cstdio>

#include "web/tokens.h"

namespace web {

bool secureRandom(unsigned char* out, size_t size) {
  return BCryptGenRandom(nullptr, out, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
}

namespace {

// The system's words for error, as UTF-8 (the ANSI page would garble them on a UTF-8 terminal).
void systemReason(DWORD error, char* out, size_t outSize) {
  wchar_t wide[512];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, wide,
                           sizeof wide / sizeof wide[0], nullptr);
  while (n > 0 && (wide[n - 1] == L'\r' || wide[n - 1] == L'\n' || wide[n - 1] == L' ' || wide[n - 1] == L'.')) --n;
  wide[n] = L'\0';
  if (n == 0 || WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, static_cast<int>(outSize), nullptr, nullptr) <= 0)
    std::snprintf(out, outSize, "error %lu", static_cast<unsigned long>(error));
}

bool failStep(char* reason, size_t reasonSize, const char* step, DWORD error) {
  char words[512];
  systemReason(error, words, sizeof words);
  std::snprintf(reason, reasonSize, "%s: %s", step, words);
  return false;
}

}  // namespace

Existing lookAt(const char* path, char* reason, size_t reasonSize) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return Existing::none;
    failStep(reason, reasonSize, "looking at it", error);
    return Existing::unknown;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return Existing::link;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Existing::folder;
  // A device name (NUL, COM1) answers with attributes too: only a file on a disk is one.
  HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    failStep(reason, reasonSize, "looking at it", GetLastError());
    return Existing::unknown;
  }
  const DWORD type = GetFileType(h);
  CloseHandle(h);
  return type == FILE_TYPE_DISK ? Existing::regular : Existing::other;
}

bool writePrivateFile(const char* path, const char* data, size_t size, char* reason, size_t reasonSize) {
  // A file in the user's own folders inherits an ACL that gives it to its owner (and the
  // administrators) only; no other user's process opens it. A new name each time (CREATE_NEW), then
  // it replaces the old file in one step.
  char temporary[MAX_PATH + 32];
  HANDLE file = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; attempt < 16 && file == INVALID_HANDLE_VALUE; ++attempt) {
    std::snprintf(temporary, sizeof temporary, "%s.%lu-%u.tmp", path, GetCurrentProcessId(), attempt);
    file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
      return failStep(reason, reasonSize, "creating a temporary file beside it", GetLastError());
  }
  if (file == INVALID_HANDLE_VALUE)
    return failStep(reason, reasonSize, "creating a temporary file beside it", ERROR_FILE_EXISTS);
  DWORD written = 0;
  DWORD error = 0;
  const char* step = "writing";
  if (!WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) || written != size || !FlushFileBuffers(file))
    error = GetLastError() ? GetLastError() : ERROR_DISK_FULL;
  if (!CloseHandle(file) && error == 0) error = GetLastError(), step = "closing";
  if (error == 0 && !MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError(), step = "putting it in place";
  if (error == 0) return true;
  DeleteFileA(temporary);
  return failStep(reason, reasonSize, step, error);
}

// The file is its owner's through the ACL its folder passes on (a user's own folders); what others
// the folder lets in is the administrator's to judge, not told here.
bool readableByOthers(const char*) { return false; }

}  // namespace web
