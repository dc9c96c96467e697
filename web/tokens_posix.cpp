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
  // A file the administrator gave the service's group alone to read (root:tavelin 0640, so that serve,
  // running as that user, reads it) keeps that group and its read: otherwise a reissue run as root
  // would leave serve a file it cannot read. One the world could read was no such choice.
  struct stat before;
  const bool groupRead = stat(path, &before) == 0 && S_ISREG(before.st_mode) && (before.st_mode & S_IRGRP) &&
                         (before.st_mode & S_IRWXO) == 0;
  const int fd = mkostemp(temporary, O_CLOEXEC);
  if (fd < 0) return failStep(reason, reasonSize, "creating a temporary file beside it", errno);
  if (groupRead && fchown(fd, static_cast<uid_t>(-1), before.st_gid) == 0) fchmod(fd, S_IRUSR | S_IWUSR | S_IRGRP);
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
  // The group this process runs as is the service's own (root:tavelin 0640 for serve as tavelin).
  struct stat info;
  if (stat(path, &info) != 0) return false;
  return (info.st_mode & 007) != 0 || ((info.st_mode & 070) != 0 && info.st_gid != getegid());
}

}  // namespace web
