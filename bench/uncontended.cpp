// Uncontended cost of refreshBoard and writeRow against the least work any locked read and locked
// read-modify-write must do, written out inline below and timed in the same run and directory.
//   bench_uncontended DIR ITERATIONS         the timing rows (medians) as a markdown table
//   bench_uncontended DIR calls              file operations through the stream-file seam, per operation
//   bench_uncontended DIR repeat OP COUNT    OP COUNT times and nothing else, for strace -c
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/share.h"
#include "platform/files.h"
#include "store/access.h"
#include "store/board.h"
#include "store/lock.h"
#include "store/row_record.h"

#ifdef TAVELIN_FILE_FAULTS
#include "platform/faults.h"
#endif

namespace {

bench::SharePaths share;
unsigned char buffer[store::BoardSize];
int writes;

// The row every write changes; its text differs each time so no write is a no-op.
void nextRowText(char (&out)[32]) { std::snprintf(out, sizeof out, "bench %d", ++writes); }

bool inlineLock() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  return files::createExclusive(share.lock, host, std::strlen(host)) == files::Created::created;
}

void inlineUnlock() { files::removeFile(share.lock); }

void modifyRow() {
  char text[32];
  nextRowText(text);
  auto* image = reinterpret_cast<store::BoardImage*>(buffer);
  std::memcpy(image->entries[7].morning, text, sizeof text);
}

// Lock, read the whole board into a zeroed buffer, unlock.
void inlineRead() {
  if (!inlineLock()) std::abort();
  FILE* f = files::openRead(share.board);
  std::memset(buffer, 0, sizeof buffer);
  files::readBlock(buffer, sizeof buffer, f);
  files::close(f);
  inlineUnlock();
}

// Lock, read, change one row, seek back, write the whole board, unlock.
void inlineWrite() {
  if (!inlineLock()) std::abort();
  FILE* f = files::openUpdate(share.board);
  std::memset(buffer, 0, sizeof buffer);
  files::readBlock(buffer, sizeof buffer, f);
  modifyRow();
  files::seekStart(f);
  files::writeBlock(buffer, sizeof buffer, f);
  files::close(f);
  inlineUnlock();
}

// The in-place write with the board committed to the device: what any write that must survive a
// power cut pays at least.
void inlineWriteFlush() {
  if (!inlineLock()) std::abort();
  FILE* f = files::openUpdate(share.board);
  std::memset(buffer, 0, sizeof buffer);
  files::readBlock(buffer, sizeof buffer, f);
  modifyRow();
  files::seekStart(f);
  files::writeBlock(buffer, sizeof buffer, f);
  files::flush(f);
  files::close(f);
  inlineUnlock();
}

void coreRefresh() {
  if (store::refreshBoard(bench::session()) != 1) std::abort();
}

void coreWrite() {
  char text[32];
  nextRowText(text);
  if (store::writeRow(bench::session(), 7, {text, "pm", "", "18:00", "24/05/01 10:00"}) != 1) std::abort();
}

// The parts of writeRow that exist for crash safety, each alone.
void partSideFile() {
  unsigned char row[store::RowBytes];
  store::rowBytesOf(reinterpret_cast<const unsigned char*>(&bench::session().board), 7, row);
  FILE* record = store::openRowRecord(share.board);
  store::RowRecord r;
  store::makeRowRecord(r, 7, row, row);
  if (!record || !store::writeRowRecord(record, r, nullptr, 0)) std::abort();
  store::retireRowRecord(record, store::rowRecordCrc(r));
  files::close(record);
}
void partRecoveryCheck() {
  if (!store::settleRowRecord(share.board, buffer, nullptr, nullptr)) std::abort();
}
void partBoardCommit() {
  FILE* f = files::openUpdate(share.board);
  files::writeBlock(&bench::session().board, store::BoardSize, f);
  files::flush(f);
  files::close(f);
}
void partBoardNoCommit() {
  FILE* f = files::openUpdate(share.board);
  files::writeBlock(&bench::session().board, store::BoardSize, f);
  files::flushBuffered(f);
  files::close(f);
}

struct Variant {
  const char* name;
  void (*run)();
  void (*prepare)() = nullptr;  // untimed, before each run
};

// The board's last write in an earlier tick of the file system's clock than the lock that follows.
void letATickPass() { usleep(10000); }

const Variant variants[] = {
    {"inline-read", inlineRead},
    {"refresh", coreRefresh},
    // The board unchanged since: named in the ring by the read before (the benchmark's own inline
    // writes leave it unnamed), a tick later its stamp proven and marked, and then found marked, as a
    // locked read mostly finds it.
    {"refresh-named", coreRefresh, letATickPass},
    {"refresh-marked", coreRefresh},
    {"inline-write", inlineWrite},
    {"inline-write-flush", inlineWriteFlush},
    {"write", coreWrite},
    {"part-side-file", partSideFile},
    {"part-recovery-check", partRecoveryCheck},
    {"part-board-commit", partBoardCommit},
    {"part-board-nocommit", partBoardNoCommit},
};
constexpr int VariantCount = sizeof variants / sizeof variants[0];

const Variant* find(const char* name) {
  for (const Variant& v : variants)
    if (std::strcmp(v.name, name) == 0) return &v;
  return nullptr;
}

long long* samples[VariantCount];

double medianUs(long long* s, int n) {
  std::sort(s, s + n);
  const double m = n % 2 ? static_cast<double>(s[n / 2]) : (s[n / 2 - 1] + s[n / 2]) / 2.0;
  return m / 1000.0;
}

int timing(int iterations) {
  for (int v = 0; v < VariantCount; ++v) samples[v] = new long long[static_cast<size_t>(iterations)];
  for (int i = 0; i < 5; ++i)
    for (const Variant& v : variants) v.run();
  // Interleaved, so that a slow spell of the machine falls on every variant alike.
  for (int i = 0; i < iterations; ++i) {
    for (int v = 0; v < VariantCount; ++v) {
      if (variants[v].prepare) variants[v].prepare();
      const long long start = bench::nowNs();
      variants[v].run();
      samples[v][i] = bench::nowNs() - start;
    }
  }
  double median[VariantCount];
  for (int v = 0; v < VariantCount; ++v) median[v] = medianUs(samples[v], iterations);
  for (int v = 0; v < VariantCount; ++v) std::printf("median %s %.1f\n", variants[v].name, median[v]);
  return 0;
}

int calls() {
#ifdef TAVELIN_FILE_FAULTS
  for (const Variant& v : variants) {
    files::faults::reset();
    v.run();
    std::printf("seam %s %d\n", v.name, files::faults::operations());
  }
  return 0;
#else
  std::fprintf(stderr, "calls: this build has no counting seam\n");
  return 2;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_uncontended DIR ITERATIONS | DIR calls | DIR repeat OP COUNT\n");
    return 2;
  }
  if (!bench::prepareShare(argv[1], share)) return 1;
  if (std::strcmp(argv[2], "calls") == 0) return calls();
  if (std::strcmp(argv[2], "repeat") == 0) {
    const Variant* v = argc == 5 ? find(argv[3]) : nullptr;
    if (!v) {
      std::fprintf(stderr, "repeat: unknown operation\n");
      return 2;
    }
    for (int i = std::atoi(argv[4]); i > 0; --i) v->run();
    return 0;
  }
  const int iterations = std::atoi(argv[2]);
  if (iterations < 1) return 2;
  return timing(iterations);
}
