#pragma once
// What the window shows: its own copy of the board, taken from the share worker's snapshot after each
// access (takePublished in share_worker.h), never while painting.
#include "worker/share_worker.h"

namespace ui {

// The board, its names and the time of its last good read, as of the last answer. Only the window's
// thread reads or writes it.
using BoardView = worker::Snapshot;
BoardView& boardView();

}  // namespace ui
