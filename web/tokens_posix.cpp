#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "web/tokens.h"

namespace web {

bool secureRandom(unsigned char* out, size_t size) {
  for (size_t got = 0; got < size;) {
    const ssize_t n = getrandom(out + got, size - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

Existing lookAt(const char* path, char* reason, size_t reasonSize) {
  struct stat info;
  if (lstat(path, &info) != 0) {
    if (errno == ENOENT) return Existing::none;
    std::snprintf(reason, reasonSize, "%s", std::strerror(errno));
    return Existing::unknown;
  }
  if (S_ISLNK(info.st_mode)) return Existing::link;
  if (S_ISDIR(info.st_mode)) return Existing::folder;
  return S_ISREG(info.st_mode) ? Existing::regular : Existing::other;
}

namespace {

bool failStep(char* reason, size_t reasonSize, const char* step, int error) {
  std::snprintf(reason, reasonSize, "%s: %s", step, std::strerror(error));
  return false;
}

}  // namespace

bool writePrivateFile(const char* path, const char* data, size_t size, char* reason, size_t reasonSize) {
  // A new name beside the file, made 0600 and exclusively (mkostemp), so no one else ever reads the
  // tokens and no link planted there is followed; rename then replaces the name, never what it points at.
  char temporary[4096];
  const int n = std::snprintf(temporary, sizeof temporary, "%s.XXXXXX", path);
  if (n < 0 || static_cast<size_t>(n) >= sizeof temporary)
    return failStep(reason, reasonSize, "the path", ENAMETOOLONG);
  const int fd = mkostemp(temporary, O_CLOEXEC);
  if (fd < 0) return failStep(reason, reasonSize, "creating a temporary file beside it", errno);
  int error = 0;
  size_t done = 0;
  while (done < size && error == 0) {
    const ssize_t written = write(fd, data + done, size - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0)
      error = written < 0 ? errno : ENOSPC;
    else
      done += static_cast<size_t>(written);
  }
  const char* step = "writing";
  if (error == 0 && fsync(fd) != 0) error = errno, step = "writing it to the disk";
  if (close(fd) != 0 && error == 0) error = errno, step = "closing";
  if (error == 0 && rename(temporary, path) != 0) error = errno, step = "putting it in place";
  if (error == 0) return true;
  unlink(temporary);
  return failStep(reason, reasonSize, step, error);
}

bool readableByOthers(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && (info.st_mode & 077) != 0;
}

}  // namespace web
