#pragma once
// A scratch share for the benchmarks: a full board file and a name list of 300 members.
#include <cstddef>

#include "store/share.h"

namespace bench {

constexpr size_t PathSize = 256;

struct SharePaths {
  char board[PathSize];
  char names[PathSize];
  char lock[PathSize];
  char journal[PathSize + 8];
};

// The benchmark's own share, made once.
store::Share& session();

// Writes the two files into dir, points the session's share at them and loads the name list.
// False (with a message on stderr) when the directory cannot hold them.
bool prepareShare(const char* dir, SharePaths& out);

// Monotonic time in nanoseconds.
long long nowNs();

}  // namespace bench
