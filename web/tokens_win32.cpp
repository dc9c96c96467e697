// clang-format off
#include <windows.h>
// after windows.h
#include <bcrypt.h>
// clang-format on

#include <cstdio>
#include <string>

#include "web/tokens.h"

namespace web {

bool secureRandom(unsigned char* out, size_t size) {
  return BCryptGenRandom(nullptr, out, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
}

bool writePrivateFile(const char* path, const char* data, size_t size) {
  // A file in the user's own folders inherits an ACL that gives it to its owner (and the
  // administrators) only; no other user's process opens it. It replaces the old one in one step.
  const std::string temporary = std::string(path) + ".tmp";
  HANDLE file =
      CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size && FlushFileBuffers(file);
  CloseHandle(file);
  if (!ok || !MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temporary.c_str());
    return false;
  }
  return true;
}

// The file is its owner's through the ACL its folder passes on (a user's own folders); what others
// the folder lets in is the administrator's to judge, not told here.
bool readableByOthers(const char*) { return false; }

}  // namespace web
