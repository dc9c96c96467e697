// Writes a preferences record (tavelin.prf) that points the program at a share: the one place
// outside the program that makes the 550-byte record, for the demo and the benchmarks.
//   tavelin-make-prefs OUT NAME_LIST_PATH BOARD_PATH [--minutes N] [--columns N,A,R,S,W] [--window WxH+X+Y]
// The paths are as the Windows program sees them (Z:\...\tv_name.lst under Wine). Columns are the
// widths of name, morning and afternoon, return, state and time written.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/preferences.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: tavelin-make-prefs OUT NAME_LIST_PATH BOARD_PATH [--minutes N] [--columns N,A,R,S,W]"
               " [--window WxH+X+Y]\n");
  return 2;
}

bool setPath(char (&field)[settings::PathSize], const char* path) {
  const size_t n = std::strlen(path);
  if (n >= sizeof field) return false;
  std::memcpy(field, path, n + 1);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || (argc - 4) % 2 != 0) return usage();
  settings::Preferences p{};
  std::memcpy(p.magic, settings::PrefsMagic, sizeof settings::PrefsMagic);
  if (!setPath(p.nameListPath, argv[2]) || !setPath(p.boardPath, argv[3])) {
    std::fprintf(stderr, "tavelin-make-prefs: a path does not fit its 255 bytes\n");
    return 2;
  }
  int name = 110, plans = 120, ret = 70, state = 80, written = 120;
  int width = 760, height = 520, x = 40, y = 40, minutes = 3;
  for (int i = 4; i < argc; i += 2) {
    const char* value = argv[i + 1];
    if (std::strcmp(argv[i], "--minutes") == 0)
      minutes = std::atoi(value);
    else if (std::strcmp(argv[i], "--columns") != 0 && std::strcmp(argv[i], "--window") != 0)
      return usage();
    else if (argv[i][2] == 'c' && std::sscanf(value, "%d,%d,%d,%d,%d", &name, &plans, &ret, &state, &written) != 5)
      return usage();
    else if (argv[i][2] == 'w' && std::sscanf(value, "%dx%d+%d+%d", &width, &height, &x, &y) != 4)
      return usage();
  }
  p.colWidthName.set(name);
  p.colWidthMorning.set(plans);
  p.colWidthAfternoon.set(plans);
  p.colWidthReturn.set(ret);
  p.colWidthState.set(state);
  p.colWidthWritten.set(written);
  p.windowWidth.set(width);
  p.windowHeight.set(height);
  p.windowX.set(x);
  p.windowY.set(y);
  p.refreshMinutes.set(minutes);
  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f || std::fwrite(&p, sizeof p, 1, f) != 1 || std::fclose(f) != 0) {
    std::fprintf(stderr, "tavelin-make-prefs: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
