// Processor time while waiting on a lock that never frees: our retries (the real waitJittered on the
// real platform, which sleeps in slices) against the same retries with a spinning wait.
//   bench_waiting DIR ATTEMPTS
// With 20 attempts "ours" is the real refreshBoard; with fewer, the same loop of lock attempts and
// waits, so that a trial run can be short.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/share.h"
#include "platform/system.h"
#include "store/access.h"
#include "store/lock.h"
#include "text/waits.h"

namespace {

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void spinWait(unsigned ms) {
  const uint64_t start = platform::elapsedMs();
  while (platform::elapsedMs() - start < ms) {
  }
}

// Both loops try the lock before every wait, as refreshBoard does; only the wait differs.
int attemptLoop(int attempts, void (*wait)(unsigned)) {
  for (int attempt = 1; attempt <= attempts; ++attempt) {
    if (attempt > 1) wait(1000 + static_cast<unsigned>(std::rand() % 50));
    if (store::acquireLock(bench::session()) != 0) return 1;
  }
  return 0;
}

struct Measured {
  double cpu;
  double wall;
};

Measured measure(int attempts, bool spin) {
  const double cpu = cpuSeconds();
  const long long start = bench::nowNs();
  int got;
  if (spin)
    got = attemptLoop(attempts, spinWait);
  else if (attempts == store::Attempts)
    got = store::refreshBoard(bench::session());
  else
    got = attemptLoop(attempts, text::waitMs);
  if (got != 0) {
    std::fprintf(stderr, "the lock was taken although it never frees\n");
    std::exit(1);
  }
  return {cpuSeconds() - cpu, static_cast<double>(bench::nowNs() - start) / 1e9};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_waiting DIR ATTEMPTS\n");
    return 2;
  }
  const int attempts = std::atoi(argv[2]);
  if (attempts < 2 || attempts > store::Attempts) return 2;
  bench::SharePaths share;
  if (!bench::prepareShare(argv[1], share)) return 1;
  // Another PC's lock that stays for the whole run.
  std::FILE* f = std::fopen(share.lock, "wb");
  if (!f || std::fputs("OTHER-PC", f) < 0 || std::fclose(f) != 0) return 1;
  const Measured ours = measure(attempts, false);
  const Measured spin = measure(attempts, true);
  std::remove(share.lock);
  std::printf("waiting %d ours-cpu=%.4f ours-wall=%.2f spin-cpu=%.4f spin-wall=%.2f\n", attempts, ours.cpu, ours.wall,
              spin.cpu, spin.wall);
  return 0;
}
