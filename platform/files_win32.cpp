// The stream-file seam's Windows half: the commit, the atomic replace, metadata, file identity and
// the exclusive create (CREATE_NEW, which the SMB client carries to the server as one step).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/fault_hook.h"
#include "platform/files.h"

namespace files {

bool commit(FILE* f) { return _commit(_fileno(f)) == 0; }

bool removeAtStop(const char* path) { return DeleteFileA(path) != 0; }

bool replaceFile(const char* from, const char* to) {
  FAULT(rename, false);
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// fopen shares reading and writing only: a holder's delete would fail while we read its lock.
FILE* openReadSharingDelete(const char* path) {
  FAULT(open, nullptr);
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  FILE* f = _fdopen(fd, "rb");
  if (!f) _close(fd);
  return f;
}

bool stampNow(const char* path, Stamp& out) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
  out.size = static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  out.modified = static_cast<long long>((static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                        data.ftLastWriteTime.dwLowDateTime);
  // 100 ns ticks since 1601 to seconds since 1970.
  out.seconds = (out.modified - 116444736000000000LL) / 10000000LL;
  return true;
}

namespace {
bool fileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = GetFileInformationByHandle(h, info) != 0;
  CloseHandle(h);
  return ok;
}
}  // namespace

bool sameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  if (fileIdentity(a, &ia) && fileIdentity(b, &ib))
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
  char fa[MAX_PATH], fb[MAX_PATH];
  const DWORD na = GetFullPathNameA(a, sizeof fa, fa, nullptr);
  const DWORD nb = GetFullPathNameA(b, sizeof fb, fb, nullptr);
  if (na == 0 || na >= sizeof fa || nb == 0 || nb >= sizeof fb) return lstrcmpiA(a, b) == 0;
  return lstrcmpiA(fa, fb) == 0;
}

Created createExclusive(const char* path, const char* data, size_t size) {
  FAULT(create, Created::failed);
  HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD e = GetLastError();
    return (e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS) ? Created::exists : Created::failed;
  }
  DWORD written = 0;
  if (size > 0) WriteFile(h, data, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(h);
  return Created::created;
}

}  // namespace files
