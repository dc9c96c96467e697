#pragma once
// Fault injection for the stream-file seam, compiled only into the test build of files.cpp.
// Operations are counted from the last reset; a planned operation fails as the OS would make it fail.

namespace files::faults {

enum class Op { open, read, write, seek, flush, close, remove, create, any };

void reset();  // no faults planned, count back to 0
// The k-th operation (1-based) of kind op fails; with persistent, every later one of that kind too.
void failAt(int k, bool persistent = false, Op op = Op::any);
int operations();  // operations counted since the reset

// Called by each wrapper: whether this operation is to fail.
bool shouldFail(Op op);

}  // namespace files::faults
