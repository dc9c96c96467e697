// The board operations over a share's round trip: every file operation that would cross the
// network (all but seeks) first waits RTT of real time, through the counting seam.
//   bench_latency DIR RTT_US...     one line per round trip and operation: median ms and operations
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "bench/share.h"
#include "platform/faults.h"
#include "store/access.h"
#include "store/lock.h"

namespace {

bench::SharePaths share;
int writes;

void refresh() {
  if (store::refreshBoard(bench::session()) != 1) std::abort();
}
// The timer's look at an unchanged board.
void poll() {
  if (store::refreshIfChanged(bench::session()) != 1) std::abort();
}
void write() {
  char text[32];
  std::snprintf(text, sizeof text, "bench %d", ++writes);
  if (store::writeRow(bench::session(), 7, {text, "pm", "", "18:00", "24/05/01 10:00"}) != 1) std::abort();
}
void lockAndRelease() {
  if (store::acquireLock(bench::session()) != 1) std::abort();
  store::releaseLock(bench::session());
}

struct Operation {
  const char* name;
  void (*run)();
};
constexpr Operation operations[] = {{"refresh", refresh}, {"poll", poll}, {"write", write}, {"lock", lockAndRelease}};
constexpr int Repeats = 7;

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_latency DIR RTT_US...\n");
    return 2;
  }
  if (!bench::prepareShare(argv[1], share)) return 1;
  for (int a = 2; a < argc; ++a) {
    const unsigned rtt = static_cast<unsigned>(std::atoi(argv[a]));
    for (const Operation& op : operations) {
      double ms[Repeats];
      int counted = 0;
      for (int i = 0; i < Repeats; ++i) {
        // The poll measured is of a board just read in full by us, its time well before our lock.
        if (op.run == poll) {
          files::faults::setLatencyUs(0);
          refresh();
        }
        files::faults::reset();
        files::faults::setLatencyUs(rtt);
        const long long start = bench::nowNs();
        op.run();
        ms[i] = static_cast<double>(bench::nowNs() - start) / 1e6;
        counted = files::faults::operations();
      }
      files::faults::setLatencyUs(0);
      std::sort(ms, ms + Repeats);
      std::printf("latency %u %s %.1f %d\n", rtt, op.name, ms[Repeats / 2], counted);
    }
  }
  return 0;
}
