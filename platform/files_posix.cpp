// The stream-file seam's POSIX half: the commit, the atomic replace, metadata, file identity and the
// exclusive create.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/fault_hook.h"
#include "platform/files.h"

namespace files {

// Data and size, not times: all a reader after a crash needs.
bool commit(FILE* f) { return fdatasync(fileno(f)) == 0; }

bool removeAtStop(const char* path) { return ::unlink(path) == 0; }

bool replaceFile(const char* from, const char* to) {
  FAULT(rename, false);
  return std::rename(from, to) == 0;
}

// POSIX opens never stand in the way of a delete.
FILE* openReadSharingDelete(const char* path) {
  FAULT(open, nullptr);
  return std::fopen(path, "rb");
}

bool stampNow(const char* path, Stamp& out) {
  struct stat info;
  if (stat(path, &info) != 0) return false;
  out.size = static_cast<long long>(info.st_size);
  out.seconds = static_cast<long long>(info.st_mtim.tv_sec);
  out.modified = out.seconds * 1000000000LL + info.st_mtim.tv_nsec;
  return true;
}

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

Created createExclusive(const char* path, const char* data, size_t size) {
  FAULT(create, Created::failed);
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
}

}  // namespace files
