#pragma once
// For the side-file targets: a known board beside a side file of the input's bytes, on a share of one
// member, the way a PC finds them on a share anyone may write to.
#include <cstdio>
#include <string>

#include "fuzz/harness.h"
#include "store/board.h"
#include "tests/fake.h"

namespace fuzz {

// The board file's bytes, the same for every input (no slot reads as empty or as its neighbour).
inline const unsigned char* knownBoard() {
  static unsigned char board[store::BoardSize];
  if (board[1] == 0)
    for (size_t i = 0; i < sizeof board; ++i) board[i] = static_cast<unsigned char>(i * 131 + (i >> 9));
  return board;
}

// A fresh fake share whose board is knownBoard() with the input as its side file.
inline const unsigned char* boardBesideSideFile(const uint8_t* data, size_t size) {
  fake::resetAll();
  const unsigned char* original = knownBoard();
  const std::string board = writeScratch("tv_cont.lst", original, store::BoardSize);
  writeScratch("tv_cont.lst.jnl", data, size);
  std::snprintf(fake::share.boardPath, sizeof fake::share.boardPath, "%s", board.c_str());
  fake::share.memberCount = 1;
  return original;
}

}  // namespace fuzz
