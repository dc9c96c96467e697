#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/mounts.h"

namespace cli {

bool unsafeFileSystem(const char* folder, char* type, size_t typeSize) {
  char resolved[PATH_MAX];
  if (!realpath(folder, resolved)) return false;
  FILE* table = std::fopen(mountTablePath, "r");
  if (!table) return false;
  static Mount best;
  bool found = false;
  char line[8192];
  while (std::fgets(line, sizeof line, table)) {
    const size_t length = std::strlen(line);
    if (length > 0 && line[length - 1] != '\n' && !std::feof(table)) {
      // A line longer than any real mount point: skip the rest of it.
      int c;
      while ((c = std::fgetc(table)) != EOF && c != '\n') {
      }
      continue;
    }
    considerMount(line, length, resolved, best, found);
  }
  std::fclose(table);
  if (!found || !cannotLock(best.type)) return false;
  std::snprintf(type, typeSize, "%s", best.type);
  return true;
}

}  // namespace cli
