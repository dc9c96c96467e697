#include <sys/stat.h>

#include "tests/web_private.h"

bool ownerOnlyFile(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && (info.st_mode & 0777) == 0600;
}
