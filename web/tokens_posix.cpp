#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

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

bool writePrivateFile(const char* path, const char* data, size_t size) {
  // Made 0600 from the start, beside the file, then put in its place: never readable by others.
  const std::string temporary = std::string(path) + ".tmp";
  unlink(temporary.c_str());
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool written = done == size && fsync(fd) == 0;
  if (close(fd) != 0 || !written || rename(temporary.c_str(), path) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool readableByOthers(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && (info.st_mode & 077) != 0;
}

}  // namespace web
