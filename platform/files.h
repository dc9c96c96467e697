#pragma once
// Stream file access of the core. The board's file semantics are defined in terms of the C stream
// functions, so these are thin wrappers; they exist as one place where a test build can inject faults.
#include <cstddef>
#include <cstdio>

namespace files {

FILE* openRead(const char* path);    // "rb"
FILE* openWrite(const char* path);   // "wb": create or truncate
FILE* openUpdate(const char* path);  // "r+b": must exist, neither created nor truncated
// "rb" that never keeps another client from deleting the file meanwhile (Windows opens deny it unless
// asked): how the lock file is read, so a waiter's look does not make its holder's release fail.
FILE* openReadSharingDelete(const char* path);

// The stream reads and writes exactly what it is asked for, with no buffer filled ahead: for a
// small look at a big file over a network, where every byte read crosses it.
void unbuffered(FILE* f);

// One block read; the count of bytes read. Callers judge success by hasError, not by the count.
size_t readBlock(void* buffer, size_t size, FILE* f);
bool hasError(FILE* f);
// Writes size bytes as one block; returns the number of complete blocks written (1 or 0).
size_t writeBlock(const void* buffer, size_t size, FILE* f);
bool seekStart(FILE* f);
bool seekTo(FILE* f, long offset);
bool flushBuffered(FILE* f);  // fflush: the stream's buffer handed to the OS
bool flush(FILE* f);          // fflush plus the OS's commit to the device
void close(FILE* f);
bool removeFile(const char* path);
// One plain delete for a process that is stopping: no fault hook, no stream, no allocation, so a
// signal handler may call it (unlink on POSIX, DeleteFileA on Windows).
bool removeAtStop(const char* path);
// Whether path opens for reading: how the protocol asks whether a file is there.
bool opens(const char* path);
// Whether path opens for update: whether our changes could be written back to it.
bool opensForUpdate(const char* path);

// Replaces path with exactly these bytes, or leaves the old file: the bytes go to "path.tmp" first,
// which then takes the old file's place in one step. False when nothing was replaced.
bool writeWholeFile(const char* path, const void* data, size_t size);

// What a look at a file's metadata tells without opening it: enough to see that it changed.
struct Stamp {
  long long size;
  long long modified;  // the last write, in the file system's finest unit (ns or 100 ns)
  long long seconds;   // the same in seconds since 1970, for ages
  bool operator==(const Stamp& o) const { return size == o.size && modified == o.modified; }
};
// One metadata query; false when the file cannot be examined.
bool stamp(const char* path, Stamp& out);

// Seconds since the file was last modified; false when it cannot be examined.
bool ageSeconds(const char* path, long long* seconds);

// Whether two paths name one file (the same file reached by two spellings counts; so does one
// path that does not exist yet, spelled twice).
bool sameFile(const char* a, const char* b);

enum class Created { created, exists, failed };
// Creates path exclusively (fails when it exists) and writes data into it.
Created createExclusive(const char* path, const char* data, size_t size);

// Owns an open stream; close() ends it early where the order of closing matters.
class Handle {
 public:
  explicit Handle(FILE* f) : f_(f) {}
  ~Handle() { close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  FILE* get() const { return f_; }
  explicit operator bool() const { return f_ != nullptr; }
  void close() { reset(nullptr); }
  void reset(FILE* f) {
    if (f_) files::close(f_);
    f_ = f;
  }

 private:
  FILE* f_;
};

}  // namespace files
