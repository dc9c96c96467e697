#pragma once
// Fault injection for the stream-file seam, compiled only into the test build of files.cpp.
// Operations are counted from the last reset; a planned operation fails as the OS would make it fail.
#include <cstddef>

#include "platform/files.h"

namespace files::faults {

enum class Op { open, read, write, seek, flush, remove, rename, create, stat, any };

void reset();  // no faults planned, count back to 0
// The k-th operation (1-based) of kind op fails; with persistent, every later one of that kind too.
void failAt(int k, bool persistent = false, Op op = Op::any);
int operations();       // operations counted since the reset
int operations(Op op);  // those of one kind

// Another client acts right after the k-th operation of kind op, before the next operation (or close)
// reaches the share: what happens "meanwhile" between two steps of an access. Once per plan.
void actAfter(int k, Op op, void (*action)());

// Crash simulation for a test writer process: the process ends (exit code CrashExitCode) right
// before its k-th file operation, or in the middle of a write once bytes in all have been written.
constexpr int CrashExitCode = 70;
void crashAtOperation(int k);
void crashAfterBytes(long long bytes);
// Called by writeBlock: how many of size bytes may still be written before the crash (size if none).
size_t bytesBeforeCrash(size_t size);
[[noreturn]] void crashNow();

// A share whose server stops answering: the k-th operation of kind op waits ms of real time first.
// The test build of the window arms it from TAVELIN_FAULT_STALL="op:k:ms" (op as Op names it: "open",
// "stat", ...), read at the first operation.
void stallAt(int k, Op op, unsigned ms);
// "op:k:ms" into a stall; false when the text is not one.
bool parseStall(const char* text, int& k, Op& op, unsigned& ms);

// A client that keeps what it learnt of a file's metadata, as an SMB client does for seconds: while on,
// stamp() answers for each path what it answered first since, a "not found" included.
void cacheMetadata(bool on);
// stamp() through that cache; look is the real query.
bool cachedStamp(const char* path, Stamp& out, bool (*look)(const char*, Stamp&));

// A share that keeps times in whole ticks of this many seconds (1 or 2; 0: as the file system keeps
// them): stamp() answers them so. Kept across reset(), as a share's nature is.
void coarseTimes(int seconds);
void coarsen(Stamp& stamp);

// Called by each wrapper: whether this operation is to fail.
bool shouldFail(Op op);

// A share's round trip: every operation that would cross the network (all but a seek, a close
// included) waits this many microseconds of real time first. 0 turns it off.
void setLatencyUs(unsigned us);
void onClose();
// Bytes handed back by readBlock since the last reset: what crossed the network.
void countRead(size_t bytes);
long long bytesRead();

}  // namespace files::faults
