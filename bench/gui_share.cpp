// The share the GUI figures start tavelin.exe with: a board and name list of 300 members in DIR.
// bench/gui.sh writes the preferences beside them with tools/make_prefs.
//   bench_gui_share DIR
#include <cstdio>

#include "bench/share.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_gui_share DIR\n");
    return 2;
  }
  bench::SharePaths share;
  return bench::prepareShare(argv[1], share) ? 0 : 1;
}
