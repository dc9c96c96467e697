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

FILE* openStream(const char* path, Access access) {
  static const int flags[] = {O_RDONLY, O_WRONLY | O_CREAT, O_RDWR};
  static const char* const modes[] = {"rb", "wb", "r+b"};
  const int index = static_cast<int>(access);
  // Non-blocking, so opening a FIFO returns at once; only then is it known what was opened.
  const int fd = ::open(path, flags[index] | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat info;
  int error = 0;
  if (fstat(fd, &info) != 0)
    error = errno;
  else if (!S_ISREG(info.st_mode))
    error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
  else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
           (access == Access::write && ftruncate(fd, 0) != 0))
    error = errno;
  FILE* f = error ? nullptr : fdopen(fd, modes[index]);
  if (!f) {
    if (!error) error = errno;
    ::close(fd);
    errno = error;
  }
  return f;
}

Kind kindOf(const char* path) {
  struct stat info;
  if (stat(path, &info) != 0) return Kind::none;
  if (S_ISREG(info.st_mode)) return Kind::regular;
  return S_ISDIR(info.st_mode) ? Kind::folder : Kind::other;
}

bool failsForGood(const char* path) {
  struct stat info;
  if (stat(path, &info) != 0) return errno == ENOENT || errno == ENOTDIR || errno == ELOOP || errno == ENAMETOOLONG;
  return !S_ISREG(info.st_mode);
}

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
  return openStream(path, Access::read);
}

bool stampNow(const char* path, Stamp& out) {
  struct stat info;
  if (stat(path, &info) != 0) return false;
  out.size = static_cast<long long>(info.st_size);
  out.seconds = static_cast<long long>(info.st_mtim.tv_sec);
  out.modified = out.seconds * 1000000000LL + info.st_mtim.tv_nsec;
  out.coarse = info.st_mtim.tv_nsec == 0;
  return true;
}

FILE* createBeside(const char* path, const char* like) {
  FAULT(open, nullptr);
  struct stat board;
  if (stat(like, &board) != 0) return nullptr;
  const int fd = ::open(path, O_RDWR | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return nullptr;
  // The umask would narrow the mode: it is set whole. A group this account is not in cannot be given,
  // and the file then keeps this account's: best effort either way.
  const bool moded = fchmod(fd, board.st_mode & 0666) == 0;
  const bool grouped = fchown(fd, static_cast<uid_t>(-1), board.st_gid) == 0;
  (void)moded;
  (void)grouped;
  FILE* f = fdopen(fd, "r+b");
  if (!f) ::close(fd);
  return f;
}

bool setModified(FILE* f, long long modified) {
  FAULT(write, false);
  if (std::fflush(f) != 0) return false;
  const struct timespec times[2] = {{0, UTIME_OMIT}, {modified / 1000000000LL, modified % 1000000000LL}};
  return futimens(fileno(f), times) == 0;
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
  shareCall();
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
