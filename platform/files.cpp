#include "platform/files.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/fault_hook.h"

namespace files {

namespace {
// A read made to fail by the fault hooks marks its stream as a real error would.
FILE* failedStream;
}  // namespace

FILE* openRead(const char* path) {
  FAULT(open, nullptr);
  return openStream(path, Access::read);
}

FILE* openWrite(const char* path) {
  FAULT(open, nullptr);
  return openStream(path, Access::write);
}

FILE* openUpdate(const char* path) {
  FAULT(open, nullptr);
  return openStream(path, Access::update);
}

void unbuffered(FILE* f) { std::setvbuf(f, nullptr, _IONBF, 0); }

size_t readBlock(void* buffer, size_t size, FILE* f) {
#ifdef TAVELIN_FILE_FAULTS
  if (faults::shouldFail(faults::Op::read)) {
    failedStream = f;
    return 0;
  }
  const size_t got = std::fread(buffer, 1, size, f);
  faults::countRead(got);
  return got;
#else
  return std::fread(buffer, 1, size, f);
#endif
}

bool hasError(FILE* f) { return f == failedStream || std::ferror(f) != 0; }

size_t writeBlock(const void* buffer, size_t size, FILE* f) {
  FAULT(write, 0);
#ifdef TAVELIN_FILE_FAULTS
  // A simulated crash part-way: the bytes before it reach the file, as on a lost connection.
  const size_t allowed = faults::bytesBeforeCrash(size);
  if (allowed < size) {
    std::fwrite(buffer, 1, allowed, f);
    std::fflush(f);
    faults::crashNow();
  }
#endif
  return std::fwrite(buffer, size, 1, f);
}

bool seekStart(FILE* f) { return seekTo(f, 0); }

bool seekTo(FILE* f, long offset) {
  FAULT(seek, false);
  return std::fseek(f, offset, SEEK_SET) == 0;
}

bool flushBuffered(FILE* f) {
  FAULT(flush, false);
  return std::fflush(f) == 0;
}

bool flush(FILE* f) {
  FAULT(flush, false);
  return std::fflush(f) == 0 && commit(f);
}

void close(FILE* f) {
#ifdef TAVELIN_FILE_FAULTS
  faults::onClose();
#endif
  if (f == failedStream) failedStream = nullptr;
  std::fclose(f);
}

bool removeFile(const char* path) {
  FAULT(remove, false);
  return std::remove(path) == 0;
}

bool writeWholeFile(const char* path, const void* data, size_t size) {
  char temporary[FILENAME_MAX + 8];
  const int n = std::snprintf(temporary, sizeof temporary, "%s.tmp", path);
  if (n < 0 || static_cast<size_t>(n) >= sizeof temporary) return false;
  FILE* f = openWrite(temporary);
  if (!f) return false;
  const bool written = writeBlock(data, size, f) == 1 && flush(f);
  close(f);
  if (written && replaceFile(temporary, path)) return true;
  removeFile(temporary);
  return false;
}

namespace {
bool opensWith(FILE* (*open)(const char*), const char* path) {
  FILE* f = open(path);
  if (!f) return false;
  close(f);
  return true;
}
}  // namespace

bool opens(const char* path) { return opensWith(openRead, path); }

bool opensForUpdate(const char* path) { return opensWith(openUpdate, path); }

namespace {
std::atomic<std::thread::id> forbiddenThread;
}  // namespace

void forbidShareCallsOnThisThread() {
  if (std::getenv("TAVELIN_CHECK_SHARE_THREAD")) forbiddenThread.store(std::this_thread::get_id());
}

void shareCall() {
  if (forbiddenThread.load() != std::this_thread::get_id()) return;
  std::fputs("a share call on the window's thread\n", stderr);
  std::_Exit(ShareCallExitCode);
}

bool stamp(const char* path, Stamp& out) {
  shareCall();
  FAULT(stat, false);
#ifdef TAVELIN_FILE_FAULTS
  if (!faults::cachedStamp(path, out, stampNow)) return false;
  faults::coarsen(out);
  return true;
#else
  return stampNow(path, out);
#endif
}

bool ageSeconds(const char* path, long long* seconds) {
  shareCall();
  Stamp s;
  if (!stamp(path, s)) return false;
  *seconds = static_cast<long long>(std::time(nullptr)) - s.seconds;
  return true;
}

}  // namespace files
