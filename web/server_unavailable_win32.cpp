#include <cstdio>

#include "web/server.h"

namespace web {

int serve(store::Share&, const ServeOptions&) {
  std::fputs(
      "tavelin-cli serve: not in the Windows build (no HTTP server library for it); run serve on a Linux PC "
      "that reaches the share\n",
      stderr);
  return 1;
}

}  // namespace web
