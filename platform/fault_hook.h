#pragma once
// The stream-file seam's fault hook, for its implementation files only: in the test build every
// operation asks whether it is to fail; elsewhere the hook is nothing.
#ifdef TAVELIN_FILE_FAULTS
#include "platform/faults.h"
#define FAULT(op, failure) \
  if (files::faults::shouldFail(files::faults::Op::op)) return failure
#else
#define FAULT(op, failure)
#endif

#include <cstdio>

namespace files {
// What each system adds to the portable stream functions (files_posix.cpp, files_win32.cpp).
enum class Access { read, write, update };  // "rb", "wb" (create or truncate), "r+b"
// The stream, only when path is a regular file: opening never waits on a FIFO or a device, and
// what is not a file fails with EISDIR (a folder) or EINVAL.
FILE* openStream(const char* path, Access access);
bool commit(FILE* f);                                // the stream's data to the device
bool replaceFile(const char* from, const char* to);  // one step, replacing to
struct Stamp;
bool stampNow(const char* path, Stamp& out);  // the metadata query itself
}  // namespace files
