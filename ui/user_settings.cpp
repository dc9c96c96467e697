#include "ui/user_settings.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/system.h"
#include "text/bounded.h"

namespace ui {

namespace {

constexpr char Window[] = "Window";
constexpr char List[] = "List";
constexpr char User[] = "User";
constexpr char Share[] = "Share";

// False when the user's folder is unknown or too deep for the file's name.
bool iniPath(char (&out)[MAX_PATH]) {
  char dir[MAX_PATH];
  const size_t n = platform::userDirectory(dir, sizeof dir);
  return n > 0 && n < sizeof dir && text::joinPath(out, sizeof out, dir, n, "tavelin.ini");
}

void write(const char* section, const char* key, const char* value) {
  char path[MAX_PATH];
  if (!iniPath(path)) return;
  platform::prepareUserDirectory();
  WritePrivateProfileStringA(section, key, value, path);
}

void read(const char* section, const char* key, char* out, DWORD size) {
  char path[MAX_PATH];
  out[0] = '\0';
  if (iniPath(path)) GetPrivateProfileStringA(section, key, "", out, size, path);
}

}  // namespace

bool savedMaximized() {
  char value[8];
  read(Window, "Maximized", value, sizeof value);
  return value[0] == '1';
}

void saveMaximized(bool maximized) { write(Window, "Maximized", maximized ? "1" : "0"); }

bool savedColumnOrder(int (&order)[OrderColumns]) {
  char value[64];
  read(List, "ColumnOrder", value, sizeof value);
  return parseColumnOrder(value, order);
}

void saveColumnOrder(const int (&order)[OrderColumns]) {
  char value[64];
  formatColumnOrder(order, value, sizeof value);
  write(List, "ColumnOrder", value);
}

int savedColumnWidth(const char* key, int fallback) {
  char name[64], value[16];
  std::snprintf(name, sizeof name, "Width.%s", key);
  read(List, name, value, sizeof value);
  char* end = nullptr;
  const long width = std::strtol(value, &end, 10);
  return end != value && *end == '\0' && width > 0 && width < 10000 ? static_cast<int>(width) : fallback;
}

void saveColumnWidth(const char* key, int width) {
  char name[64], value[16];
  std::snprintf(name, sizeof name, "Width.%s", key);
  std::snprintf(value, sizeof value, "%d", width);
  write(List, name, value);
}
bool savedWriteWithoutLock() {
  char value[8];
  read(Share, "WriteWithoutLock", value, sizeof value);
  return value[0] == '1';
}

void saveWriteWithoutLock(bool on) { write(Share, "WriteWithoutLock", on ? "1" : "0"); }

// Quoted, because the profile functions drop the spaces around a bare value and a name may have some.
void savedOwnName(char (&name)[store::NameSize]) { read(User, "MyName", name, sizeof name); }

void saveOwnName(const char* name) {
  char value[store::NameSize + 3];
  std::snprintf(value, sizeof value, "\"%s\"", name);
  write(User, "MyName", value);
}

namespace {

constexpr char Names[] = "Names";
// A line "300=" and a quoted name of 63 bytes for every member, and the end.
// On the caller's stack (22 KB): read and written once a load, on the window's thread.
constexpr size_t NamesSectionSize = store::MaxMembers * (store::NameSize + 8) + 2;

}  // namespace

// One line per slot, "n=\"name\"", in one call: 300 separate writes would rewrite the file 300 times.
int savedNameList(char (*names)[store::NameSize], int max) {
  char path[MAX_PATH];
  if (!iniPath(path)) return 0;
  char section[NamesSectionSize];
  const DWORD got = GetPrivateProfileSectionA(Names, section, sizeof section, path);
  int count = 0;
  for (DWORD i = 0; i < got && section[i] && count < max;) {
    const char* line = section + i;
    const size_t length = strnlen(line, got - i);
    i += static_cast<DWORD>(length) + 1;
    const char* equals = static_cast<const char*>(std::memchr(line, '=', length));
    if (!equals) continue;
    const char* value = equals + 1;
    size_t n = length - static_cast<size_t>(value - line);
    if (n >= 2 && value[0] == '"' && value[n - 1] == '"') {
      ++value;
      n -= 2;
    }
    text::copyField(names[count++], store::NameSize, value, n);
  }
  return count;
}

void saveNameList(const char (*names)[store::NameSize], int count) {
  char path[MAX_PATH];
  if (!iniPath(path)) return;
  char section[NamesSectionSize];
  size_t at = 0;
  for (int slot = 0; slot < count; ++slot) {
    const int n = std::snprintf(section + at, sizeof section - at, "%d=\"%.*s\"", slot + 1,
                                static_cast<int>(strnlen(names[slot], store::NameSize)), names[slot]);
    if (n < 0 || at + static_cast<size_t>(n) + 2 >= sizeof section) break;
    at += static_cast<size_t>(n) + 1;
  }
  section[at] = '\0';
  section[at + 1] = '\0';
  platform::prepareUserDirectory();
  WritePrivateProfileSectionA(Names, section, path);
}

}  // namespace ui
