#include "platform/files.h"

#include <cstring>
#include <ctime>

#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#endif

#ifdef TAVELIN_FILE_FAULTS
#include "platform/faults.h"
#define FAULT(op, failure) \
  if (faults::shouldFail(faults::Op::op)) return failure
#else
#define FAULT(op, failure)
#endif

namespace files {

namespace {
// A read made to fail by the fault hooks marks its stream as a real error would.
FILE* failedStream;
}  // namespace

FILE* openRead(const char* path) {
  FAULT(open, nullptr);
  return std::fopen(path, "rb");
}

FILE* openWrite(const char* path) {
  FAULT(open, nullptr);
  return std::fopen(path, "wb");
}

FILE* openUpdate(const char* path) {
  FAULT(open, nullptr);
  return std::fopen(path, "r+b");
}

size_t readBlock(void* buffer, size_t size, FILE* f) {
#ifdef TAVELIN_FILE_FAULTS
  if (faults::shouldFail(faults::Op::read)) {
    failedStream = f;
    return 0;
  }
  const size_t got = std::fread(buffer, 1, size, f);
  faults::countRead(got);
  return got;
#else
  return std::fread(buffer, 1, size, f);
#endif
}

bool hasError(FILE* f) { return f == failedStream || std::ferror(f) != 0; }

size_t writeBlock(const void* buffer, size_t size, FILE* f) {
  FAULT(write, 0);
#ifdef TAVELIN_FILE_FAULTS
  // A simulated crash part-way: the bytes before it reach the file, as on a lost connection.
  const size_t allowed = faults::bytesBeforeCrash(size);
  if (allowed < size) {
    std::fwrite(buffer, 1, allowed, f);
    std::fflush(f);
    faults::crashNow();
  }
#endif
  return std::fwrite(buffer, size, 1, f);
}

bool seekStart(FILE* f) { return seekTo(f, 0); }

bool seekTo(FILE* f, long offset) {
  FAULT(seek, false);
  return std::fseek(f, offset, SEEK_SET) == 0;
}

bool flushBuffered(FILE* f) {
  FAULT(flush, false);
  return std::fflush(f) == 0;
}

bool flush(FILE* f) {
  FAULT(flush, false);
  if (std::fflush(f) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(f)) == 0;
#else
  // Data and size, not times: all a reader after a crash needs.
  return fdatasync(fileno(f)) == 0;
#endif
}

void close(FILE* f) {
#ifdef TAVELIN_FILE_FAULTS
  faults::onClose();
#endif
  if (f == failedStream) failedStream = nullptr;
  std::fclose(f);
}

bool removeFile(const char* path) {
  FAULT(remove, false);
  return std::remove(path) == 0;
}

namespace {
bool replaceFile(const char* from, const char* to) {
  FAULT(rename, false);
#ifdef _WIN32
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  return std::rename(from, to) == 0;
#endif
}
}  // namespace

bool writeWholeFile(const char* path, const void* data, size_t size) {
  char temporary[FILENAME_MAX + 8];
  const int n = std::snprintf(temporary, sizeof temporary, "%s.tmp", path);
  if (n < 0 || static_cast<size_t>(n) >= sizeof temporary) return false;
  FILE* f = openWrite(temporary);
  if (!f) return false;
  const bool written = writeBlock(data, size, f) == 1 && flush(f);
  close(f);
  if (written && replaceFile(temporary, path)) return true;
  removeFile(temporary);
  return false;
}

bool stamp(const char* path, Stamp& out) {
  FAULT(stat, false);
#ifdef _WIN32
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
  out.size = static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  out.modified = static_cast<long long>((static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                        data.ftLastWriteTime.dwLowDateTime);
#else
  struct stat info;
  if (stat(path, &info) != 0) return false;
  out.size = static_cast<long long>(info.st_size);
  out.modified = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
#endif
  return true;
}

bool ageSeconds(const char* path, long long* seconds) {
#ifdef _WIN32
  struct _stat64 info;
  if (_stat64(path, &info) != 0) return false;
#else
  struct stat info;
  if (stat(path, &info) != 0) return false;
#endif
  *seconds = static_cast<long long>(std::time(nullptr)) - static_cast<long long>(info.st_mtime);
  return true;
}

bool opens(const char* path) {
  FILE* f = openRead(path);
  if (!f) return false;
  close(f);
  return true;
}

#ifdef _WIN32
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
#else
namespace {
// The folder resolved and the name kept: one spelling for a file that does not exist yet.
void canonical(const char* path, char (&out)[PATH_MAX * 2]) {
  const char* slash = std::strrchr(path, '/');
  char folder[PATH_MAX];
  const char* name = slash ? slash + 1 : path;
  std::snprintf(folder, sizeof folder, "%.*s", slash ? static_cast<int>(slash - path) + 1 : 1, slash ? path : ".");
  char resolved[PATH_MAX];
  if (realpath(folder, resolved))
    std::snprintf(out, sizeof out, "%s/%s", resolved, name);
  else
    std::snprintf(out, sizeof out, "%s", path);
}
}  // namespace

bool sameFile(const char* a, const char* b) {
  struct stat sa, sb;
  if (stat(a, &sa) == 0 && stat(b, &sb) == 0) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  char ca[PATH_MAX * 2], cb[PATH_MAX * 2];
  canonical(a, ca);
  canonical(b, cb);
  return std::strcmp(ca, cb) == 0;
}
#endif

Created createExclusive(const char* path, const char* data, size_t size) {
  FAULT(create, Created::failed);
#ifdef _WIN32
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
#else
  int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (fd < 0) return errno == EEXIST ? Created::exists : Created::failed;
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, data + done, size - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  return Created::created;
#endif
}

}  // namespace files
