// A writer process that dies at a chosen point of a row write, as a PC that loses power or its
// network would. Usage: crash_writer BOARD (op K | bytes N) TEXT
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/faults.h"
#include "store/access.h"
#include "store/names.h"
#include "store/share.h"

namespace {
store::Share share;
}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: crash_writer BOARD (op K | bytes N) TEXT\n");
    return 2;
  }
  std::snprintf(share.boardPath, sizeof share.boardPath, "%s", argv[1]);
  const long long point = std::atoll(argv[3]);
  if (std::strcmp(argv[2], "op") == 0)
    files::faults::crashAtOperation(static_cast<int>(point));
  else
    files::faults::crashAfterBytes(point);
  share.memberCount = 1;
  return store::writeRow(share, 0, {argv[4], argv[4], "", "", "t"}) == 1 ? 0 : 1;
}
