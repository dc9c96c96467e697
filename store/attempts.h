#pragma once
// How often an access to the share is tried, a jittered second apart: the patience of every operation
// on the board, the name list and the lock alike.

namespace store {

constexpr int Attempts = 20;

}  // namespace store
