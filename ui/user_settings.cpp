#include "ui/user_settings.h"

#include <windows.h>

#include <cstdio>

#include "platform/system.h"
#include "text/bounded.h"

namespace ui {

namespace {

constexpr char Window[] = "Window";
constexpr char List[] = "List";
constexpr char User[] = "User";

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

// Quoted, because the profile functions drop the spaces around a bare value and a name may have some.
void savedOwnName(char (&name)[store::NameSize]) { read(User, "MyName", name, sizeof name); }

void saveOwnName(const char* name) {
  char value[store::NameSize + 3];
  std::snprintf(value, sizeof value, "\"%s\"", name);
  write(User, "MyName", value);
}

}  // namespace ui
