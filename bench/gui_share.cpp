// The share and preferences file the GUI figures start tavelin.exe with: a board and name list of
// 300 members in DIR, and a tavelin.prf in DIR (its current directory) naming them by WINDIR, the
// same folder as Wine's drive path.
//   bench_gui_share DIR WINDIR
#include <cstdio>

#include "bench/share.h"
#include "settings/preferences.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_gui_share DIR WINDIR\n");
    return 2;
  }
  bench::SharePaths share;
  if (!bench::prepareShare(argv[1], share)) return 1;
  settings::Preferences& p = settings::prefs;
  std::snprintf(p.magic, sizeof p.magic, "%s", settings::PrefsMagic);
  std::snprintf(p.nameListPath, sizeof p.nameListPath, "%s\\tv_name.lst", argv[2]);
  std::snprintf(p.boardPath, sizeof p.boardPath, "%s\\tv_cont.lst", argv[2]);
  p.colWidthName.set(100);
  p.colWidthMorning.set(160);
  p.colWidthAfternoon.set(160);
  p.colWidthState.set(80);
  p.colWidthReturn.set(80);
  p.colWidthWritten.set(120);
  p.windowWidth.set(900);
  p.windowHeight.set(700);
  p.windowX.set(0);
  p.windowY.set(0);
  p.refreshMinutes.set(3);
  char path[bench::PathSize];
  std::snprintf(path, sizeof path, "%s/tavelin.prf", argv[1]);
  std::FILE* f = std::fopen(path, "wb");
  if (!f || std::fwrite(&p, sizeof p, 1, f) != 1 || std::fclose(f) != 0) return 1;
  return 0;
}
