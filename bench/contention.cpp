// Contention: N real processes each write their own row M times, as fast as they can, with our lock
// or with the old two-step lock (the reference copy below), on a clock a hundred times faster than
// real time (a retry wait of one second takes about ten milliseconds), so a run fits in seconds.
//   bench_contention DIR N M new|old
// After each write the writer reads the board under our lock and checks that its row still holds
// what it wrote; at the end every row must hold its writer's last value.
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/share.h"
#include "platform/files.h"
#include "platform/system.h"
#include "settings/preferences.h"
#include "store/access.h"
#include "store/board.h"
#include "store/lock.h"
#include "text/waits.h"

namespace {

constexpr int MaxProcesses = 16;
constexpr int MaxWrites = 1000;

struct Shared {
  volatile int go;
  int lost[MaxProcesses];
  int gaveUp[MaxProcesses];
  int finished[MaxProcesses];
  double latencyMs[MaxProcesses][MaxWrites];
};

Shared* shared;
bench::SharePaths share;

// The old two-step lock: test for the file, then create it in a second step; release deletes
// whatever lock file is there, ours or not.
int oldAcquire() {
  files::Handle existing(files::openRead(share.lock));
  if (existing) return 0;
  files::Handle created(files::openWrite(share.lock));
  if (!created) return 1;
  char host[256] = {};
  platform::hostName(host, sizeof host - 1);
  files::writeBlock(host, std::strlen(host), created.get());
  return 1;
}

void oldRelease() {
  for (int attempt = 1; attempt <= store::Attempts; ++attempt) {
    if (files::removeFile(share.lock)) return;
    text::waitJittered(1000);
  }
}

int oldWriteRow(int slot, const char* value) {
  static unsigned char image[store::BoardSize];
  for (int attempt = 1; attempt <= store::Attempts; ++attempt) {
    if (attempt > 1) text::waitJittered(1000);
    if (!oldAcquire()) continue;
    files::Handle f(files::openUpdate(share.board));
    if (!f) {
      oldRelease();
      return 0;
    }
    std::memset(image, 0, sizeof image);
    files::readBlock(image, sizeof image, f.get());
    if (files::hasError(f.get())) {
      f.close();
      oldRelease();
      continue;
    }
    store::replaceImage(bench::session(), image);
    store::setRow(bench::session(), slot, value, "", "", "", "t");
    const bool ok =
        files::seekStart(f.get()) && files::writeBlock(&bench::session().board, store::BoardSize, f.get()) == 1;
    f.close();
    oldRelease();
    if (ok) return 1;
  }
  return 0;
}

bool holds(int slot, const char* value) {
  char text[store::PlanSize + 1];
  store::fieldText(bench::session(), slot, store::Field::morning, text, sizeof text);
  return std::strcmp(text, value) == 0;
}

void writer(int slot, int count, bool old) {
  std::srand(static_cast<unsigned>(getpid()) * 7919u);
  while (!shared->go) usleep(100);
  for (int n = 1; n <= count; ++n) {
    char value[32];
    std::snprintf(value, sizeof value, "%d:%d", slot, n);
    const long long start = bench::nowNs();
    // A write that gave up after its attempts is reported to its user, who presses OK again.
    while (!(old ? oldWriteRow(slot, value) : store::writeRow(bench::session(), slot, {value, "", "", "", "t"})))
      ++shared->gaveUp[slot];
    shared->latencyMs[slot][n - 1] = static_cast<double>(bench::nowNs() - start) / 1e6;
    if (store::refreshBoard(bench::session()) && !holds(slot, value)) ++shared->lost[slot];
  }
  shared->finished[slot] = 1;
}

double percentile(double* sorted, int n, double p) {
  const int i = static_cast<int>(p * (n - 1) + 0.5);
  return sorted[i < n ? i : n - 1];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: bench_contention DIR PROCESSES WRITES new|old\n");
    return 2;
  }
  const int processes = std::atoi(argv[2]), count = std::atoi(argv[3]);
  const bool old = std::strcmp(argv[4], "old") == 0;
  if (processes < 1 || processes > MaxProcesses || count < 1 || count > MaxWrites) return 2;
  if (!bench::prepareShare(argv[1], share)) return 1;
  // Every row starts empty, so a row that was never written or was undone shows at the end.
  store::clearBoard(bench::session());
  std::FILE* f = std::fopen(share.board, "wb");
  if (!f || std::fclose(f) != 0) return 1;

  void* memory = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return 1;
  shared = static_cast<Shared*>(memory);
  std::fflush(nullptr);
  pid_t pids[MaxProcesses];
  for (int p = 0; p < processes; ++p) {
    pids[p] = fork();
    if (pids[p] < 0) return 1;
    if (pids[p] == 0) {
      writer(p, count, old);
      _exit(0);
    }
  }
  const long long start = bench::nowNs();
  shared->go = 1;
  int failed = 0;
  for (int p = 0; p < processes; ++p) {
    int status = 0;
    waitpid(pids[p], &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !shared->finished[p]) ++failed;
  }
  const double seconds = static_cast<double>(bench::nowNs() - start) / 1e9;

  int lost = 0, gaveUp = 0, rowsWrong = 0;
  static double all[MaxProcesses * MaxWrites];
  int n = 0;
  for (int p = 0; p < processes; ++p) {
    lost += shared->lost[p];
    gaveUp += shared->gaveUp[p];
    for (int i = 0; i < count; ++i) all[n++] = shared->latencyMs[p][i];
  }
  std::sort(all, all + n);
  if (!store::refreshBoard(bench::session())) return 1;
  for (int p = 0; p < processes; ++p) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "%d:%d", p, count);
    if (!holds(p, expected)) ++rowsWrong;
  }
  struct stat st {};
  const bool sizeOk = stat(share.board, &st) == 0 && st.st_size == static_cast<off_t>(store::BoardSize);
  const bool lockLeft = access(share.lock, F_OK) == 0;
  std::printf(
      "contention %s %d %d writes=%d seconds=%.2f per-second=%.1f median-ms=%.2f p99-ms=%.2f lost=%d rows-wrong=%d "
      "gave-up=%d board-ok=%d lock-left=%d failed=%d\n",
      old ? "old" : "new", processes, count, n, seconds, n / seconds, percentile(all, n, 0.5), percentile(all, n, 0.99),
      lost, rowsWrong, gaveUp, sizeOk ? 1 : 0, lockLeft ? 1 : 0, failed);
  return failed == 0 ? 0 : 1;
}
