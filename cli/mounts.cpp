#include "cli/mounts.h"

#include <cstring>

namespace cli {

const char* mountTablePath = "/proc/self/mountinfo";

namespace {

// The field that starts at pos (fields are separated by single spaces); pos moves past it.
bool nextField(const char* line, size_t length, size_t& pos, const char*& field, size_t& fieldLength) {
  while (pos < length && line[pos] == ' ') ++pos;
  if (pos >= length) return false;
  field = line + pos;
  while (pos < length && line[pos] != ' ') ++pos;
  fieldLength = static_cast<size_t>(line + pos - field);
  return true;
}

bool isOctal(char c) { return c >= '0' && c <= '7'; }

// Copies a field with its \ooo escapes decoded; false when it does not fit.
bool decode(const char* field, size_t length, char* out, size_t outSize) {
  size_t n = 0;
  for (size_t i = 0; i < length; ++i) {
    char c = field[i];
    if (c == '\\' && i + 3 < length && isOctal(field[i + 1]) && isOctal(field[i + 2]) && isOctal(field[i + 3])) {
      c = static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    }
    if (n + 1 >= outSize) return false;
    out[n++] = c;
  }
  out[n] = '\0';
  return true;
}

}  // namespace

bool parseMountLine(const char* line, size_t length, Mount& out) {
  while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
  size_t pos = 0;
  const char* field = nullptr;
  size_t fieldLength = 0;
  // id, parent id, major:minor, root, mount point
  for (int i = 0; i < 5; ++i)
    if (!nextField(line, length, pos, field, fieldLength)) return false;
  if (field[0] != '/' || !decode(field, fieldLength, out.point, sizeof out.point)) return false;
  // Options and any number of optional fields, up to the lone "-"; the type follows it.
  do {
    if (!nextField(line, length, pos, field, fieldLength)) return false;
  } while (!(fieldLength == 1 && field[0] == '-'));
  if (!nextField(line, length, pos, field, fieldLength)) return false;
  return decode(field, fieldLength, out.type, sizeof out.type);
}

bool holds(const char* point, const char* path) {
  const size_t n = std::strlen(point);
  if (std::strncmp(point, path, n) != 0) return false;
  return n == 1 || path[n] == '\0' || path[n] == '/';  // "/" holds all; "/mnt/a" not "/mnt/ab"
}

void considerMount(const char* line, size_t length, const char* path, Mount& best, bool& found) {
  Mount mount;
  if (!parseMountLine(line, length, mount) || !holds(mount.point, path)) return;
  if (found && std::strlen(mount.point) < std::strlen(best.point)) return;
  best = mount;
  found = true;
}

bool mountOf(const char* table, size_t length, const char* path, Mount& out) {
  bool found = false;
  for (size_t start = 0; start < length;) {
    const char* end = static_cast<const char*>(std::memchr(table + start, '\n', length - start));
    const size_t lineLength = end ? static_cast<size_t>(end - table) - start : length - start;
    considerMount(table + start, lineLength, path, out, found);
    start += lineLength + 1;
  }
  return found;
}

bool cannotLock(const char* type) {
  // gvfs-fuse-daemon is gvfsd-fuse's older name.
  static const char* const Types[] = {"fuse.smbnetfs", "fuse.gvfsd-fuse", "fuse.gvfs-fuse-daemon"};
  for (const char* t : Types)
    if (std::strcmp(type, t) == 0) return true;
  return false;
}

}  // namespace cli
