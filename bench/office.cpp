// An office on the fast clock: CLIENTS processes, each with its refresh timer at a one-minute
// interval and a few saves an hour, against one share whose every file operation costs RTT. The
// clock runs TAVELIN_CLOCK_SCALE times faster than real time (tests/scaled_platform.cpp), so the
// round trip is waited as RTT/scale of real time and every figure below is in office time.
//   bench_office DIR CLIENTS MINUTES RTT_US poll|full|watch [SAVES_PER_HOUR [COARSE_S [OLDER]]]
// COARSE_S: the share keeps times in whole ticks of that many seconds of real time (0: as the file
// system keeps them). OLDER: that many of the clients are older PCs: at each tick they read the board
// whole under the lock, and they save by writing it whole under the lock, knowing nothing of the side
// file (their saves are seen by the others like any other).
// poll: the timer's look (refreshIfChanged); full: it reads the board under the lock every time, as
// before; watch: poll, and every client is told of each save as a folder watch tells it, and looks
// after the watch's spread. Prints lock utilisation (share of samples with sem.dat present), busy
// answers, saves, saves that gave up, save latency, bytes read per minute after the first minute (in
// which every client reads the board once as it starts), those of them the saves read, and the time
// from a save to the last client whose image shows it. After each look a client of ours makes the
// window's quick look as the window would: 5-7 s on while a failure's or a skipped tick's message shows,
// 3-5 s on while a coarse share's proof waits for it. The same source builds against the code of before
// (bench/run.sh), so that both are measured side by side.
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/share.h"
#include "platform/faults.h"
#include "platform/status.h"
#include "platform/system.h"
#include "store/access.h"
#include "store/board.h"
#include "text/waits.h"

namespace platform {
int clockScale();  // tests/scaled_platform.cpp
}

namespace {

constexpr int MaxClients = 300;
constexpr int MaxSaves = 64;
constexpr int MaxIds = 8192;
// The watch: a client looks this long after it is told of a change, at most (spread evenly), and
// notices a change this often.
constexpr unsigned WatchSpreadMs = 2000;
constexpr unsigned WatchNoticeMs = 500;
double savesPerHour = 3.0;
int coarseSeconds = 0;
int olderClients = 0;

struct Shared {
  volatile int go;
  long long bytesRead[MaxClients];
  bool older[MaxClients];
  long long saveBytes[MaxClients];
  int busy[MaxClients];
  int saves[MaxClients];
  int gaveUp[MaxClients];
  double saveMs[MaxClients][MaxSaves];
  int finished[MaxClients];
  // Every save has an id, written into its row: when it was done, and when the last client saw it.
  int nextId;
  volatile int changes;
  int idSlot[MaxIds];
  long long doneAt[MaxIds];
  long long lastSeenAt[MaxIds];
  int seenBy[MaxIds];
};

Shared* shared;
bench::SharePaths share;
int self;

// Seconds until the next save: saves come at random, SavesPerHour on average.
double nextSaveSeconds() {
  if (savesPerHour <= 0) return 1e12;
  const double u = (text::spreadMs(1000000) + 1) / 1000001.0;
  return -std::log(u) * 3600.0 / savesPerHour;
}

// The window's quick look after a timer's: in a few seconds while a failure's or a skipped tick's message
// shows, and sooner while a coarse share's proof waits for it (code of before has no such wait: found by
// overload, so that the same source builds against it).
constexpr unsigned TroubleLookMs = 5000, ProofLookMs = 3000, LookSpreadMs = 2000;
template <typename S>
auto proofWaits(const S& s, int) -> decltype(s.proofDeferred) {
  return s.proofDeferred;
}
template <typename S>
bool proofWaits(const S&, long) {
  return false;
}
uint64_t followUp(const store::Share& s, uint64_t now, uint64_t never) {
  if (s.troubleShown || s.lockedTickShown) return now + TroubleLookMs + text::spreadMs(LookSpreadMs);
  if (proofWaits(s, 0)) return now + ProofLookMs + text::spreadMs(LookSpreadMs);
  return never;
}

uint64_t started;
bool seen[MaxIds];
unsigned char olderImage[store::BoardSize];

// An older PC's lock: the exclusive create, tried a second apart, as that program does.
bool olderLock() {
  for (int attempt = 1; attempt <= store::Attempts; ++attempt) {
    if (attempt > 1) text::waitJittered(1000);
    if (files::createExclusive(share.lock, "OLDERPC", 7) == files::Created::created) return true;
  }
  return false;
}

// An older PC's timer: the whole board read under the lock, into the image the benchmark looks at.
void olderRead() {
  if (!olderLock()) return;
  files::Handle f(files::openRead(share.board));
  std::memset(olderImage, 0, sizeof olderImage);
  if (f) files::readBlock(olderImage, sizeof olderImage, f.get());
  f.close();
  files::removeFile(share.lock);
  store::replaceImage(bench::session(), olderImage);
}

// An older PC's save: read, change the row, write it whole, under the lock; no side file.
int olderSave(int slot, const store::RowTexts& t) {
  if (!olderLock()) return 0;
  files::Handle f(files::openUpdate(share.board));
  bool ok = false;
  if (f) {
    std::memset(olderImage, 0, sizeof olderImage);
    files::readBlock(olderImage, sizeof olderImage, f.get());
    store::replaceImage(bench::session(), olderImage);
    store::setRow(bench::session(), slot, t.morning, t.afternoon, t.state, t.returnTime, t.written);
    ok = files::seekStart(f.get()) && files::writeBlock(&bench::session().board, store::BoardSize, f.get()) == 1;
  }
  f.close();
  files::removeFile(share.lock);
  return ok ? 1 : 0;
}

// The saves this client's image shows, by the ids in their rows: each is seen now, and with it the
// earlier saves of the same row that it replaced.
void noteImage(int slot) {
  const long long now = static_cast<long long>(platform::elapsedMs() - started);
  const store::BoardImage& b = bench::session().board;
  for (int row = 0; row < store::MaxMembers; ++row) {
    int id;
    if (std::sscanf(b.entries[row].morning, "save %d", &id) != 1 || id < 0 || id >= MaxIds || seen[id]) continue;
    for (int i = id; i >= 0; --i) {
      if (shared->idSlot[i] != row || seen[i]) continue;
      seen[i] = true;
      if (row == slot) continue;
      __atomic_add_fetch(&shared->seenBy[i], 1, __ATOMIC_RELAXED);
      long long last = __atomic_load_n(&shared->lastSeenAt[i], __ATOMIC_RELAXED);
      while (now > last && !__atomic_compare_exchange_n(&shared->lastSeenAt[i], &last, now, false, __ATOMIC_RELAXED,
                                                        __ATOMIC_RELAXED)) {
      }
    }
  }
}

void client(int slot, int minutes, bool poll, bool watch) {
  self = slot;
  const bool older = slot < olderClients;
  if (older) poll = watch = false;
  while (!shared->go) usleep(1000);
  const uint64_t start = platform::elapsedMs();
  started = start;
  const uint64_t end = start + static_cast<uint64_t>(minutes) * 60000u;
  const uint64_t never = ~uint64_t{0};
  // Clients started over the first minute, as PCs are switched on.
  uint64_t tick = start + text::spreadMs(60000);
  uint64_t save = start + static_cast<uint64_t>(nextSaveSeconds() * 1000);
  uint64_t notice = watch ? start + WatchNoticeMs : never, look = never, again = never;
  int changesSeen = 0;
  long long warmUp = -1, saveBytes = 0;
  while (true) {
    if (warmUp < 0 && platform::elapsedMs() >= start + 60000) warmUp = files::faults::bytesRead(), saveBytes = 0;
    const uint64_t next = std::min(std::min(std::min(tick, save), std::min(notice, look)), again);
    if (next >= end) break;
    const uint64_t now = platform::elapsedMs();
    if (next > now) text::waitMs(static_cast<unsigned>(next - now));
    if (next == notice) {
      // Told of a change: one look after the spread, however many changes come meanwhile.
      if (shared->changes != changesSeen && look == never) {
        changesSeen = shared->changes;
        look = platform::elapsedMs() + text::spreadMs(WatchSpreadMs);
      }
      notice += WatchNoticeMs;
    } else if (next == tick || next == look || next == again) {
      if (older)
        olderRead();
      else
        // The watch's look is the window's glance, its timer's (and the quick look after it) the named one.
        poll ? store::refreshIfChanged(bench::session(),
                                       next == look ? store::WhenLocked::quiet : store::WhenLocked::named)
             : store::refreshBoard(bench::session());
      noteImage(slot);
      if (next == tick) tick += text::timerPeriodMs(1);
      if (next == look) look = never;
      // As the window does after every look's answer: the quick look set anew, or none.
      if (!older && poll) again = followUp(bench::session(), platform::elapsedMs(), never);
    } else {
      char text[32];
      const int id = __atomic_fetch_add(&shared->nextId, 1, __ATOMIC_RELAXED);
      if (id < MaxIds) shared->idSlot[id] = slot;
      std::snprintf(text, sizeof text, "save %d", id);
      const uint64_t began = platform::elapsedMs();
      const long long bytesBefore = files::faults::bytesRead();
      const store::RowTexts row = {text, "", "社内", "", "26/12/07 10:00"};
      const int ok = older ? olderSave(slot, row) : store::writeRow(bench::session(), slot, row);
      saveBytes += files::faults::bytesRead() - bytesBefore;
      if (ok == 1 && id < MaxIds) shared->doneAt[id] = static_cast<long long>(platform::elapsedMs() - start);
      if (ok == 1) __atomic_add_fetch(&shared->changes, 1, __ATOMIC_RELAXED);
      const int n = shared->saves[slot]++;
      if (n < MaxSaves) shared->saveMs[slot][n] = static_cast<double>(platform::elapsedMs() - began);
      if (!ok) ++shared->gaveUp[slot];
      save += static_cast<uint64_t>(nextSaveSeconds() * 1000);
    }
  }
  shared->bytesRead[slot] = files::faults::bytesRead() - (warmUp < 0 ? 0 : warmUp);
  shared->older[slot] = older;
  shared->saveBytes[slot] = saveBytes;
  shared->finished[slot] = 1;
}

}  // namespace

// Busy answers are counted where they are shown.
namespace status {
void showStatus(const char* text) {
  if (std::strncmp(text, "(20", 3) == 0) ++shared->busy[self];
}
void beep() {}
bool showsBoardTime() { return false; }
void boardRead() {}
}  // namespace status

int main(int argc, char** argv) {
  if (argc < 6 || argc > 9) {
    std::fprintf(
        stderr, "usage: bench_office DIR CLIENTS MINUTES RTT_US poll|full|watch [SAVES_PER_HOUR [COARSE_S [OLDER]]]\n");
    return 2;
  }
  const int clients = std::atoi(argv[2]), minutes = std::atoi(argv[3]);
  const unsigned rtt = static_cast<unsigned>(std::atoi(argv[4]));
  const bool watch = std::strcmp(argv[5], "watch") == 0;
  const bool poll = watch || std::strcmp(argv[5], "poll") == 0;
  if (argc >= 7) savesPerHour = std::atof(argv[6]);
  if (argc >= 8) coarseSeconds = std::atoi(argv[7]);
  if (argc >= 9) olderClients = std::atoi(argv[8]);
  if (clients < 1 || clients > MaxClients || minutes < 2) return 2;
  if (!bench::prepareShare(argv[1], share)) return 1;
  void* memory = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return 1;
  shared = static_cast<Shared*>(memory);
  std::fflush(nullptr);
  static pid_t pids[MaxClients];
  for (int c = 0; c < clients; ++c) {
    pids[c] = fork();
    if (pids[c] < 0) return 1;
    if (pids[c] == 0) {
      text::seedSpread(0);
      files::faults::reset();
      files::faults::setLatencyUs(rtt / static_cast<unsigned>(platform::clockScale()));
      files::faults::coarseTimes(coarseSeconds);
      client(c, minutes, poll, watch);
      _exit(0);
    }
  }
  shared->go = 1;
  // The lock's share of the time: sem.dat looked for every real millisecond until all are done.
  long long samples = 0, held = 0;
  for (int done = 0; done < clients;) {
    ++samples;
    held += access(share.lock, F_OK) == 0;
    usleep(1000);
    int status;
    while (waitpid(-1, &status, WNOHANG) > 0) ++done;
  }
  long long bytes = 0, saveBytes = 0, oursBytes = 0, oursSaveBytes = 0;
  int busy = 0, saves = 0, gaveUp = 0, failed = 0, n = 0;
  static double all[MaxClients * MaxSaves];
  for (int c = 0; c < clients; ++c) {
    failed += !shared->finished[c];
    bytes += shared->bytesRead[c];
    saveBytes += shared->saveBytes[c];
    if (!shared->older[c]) oursBytes += shared->bytesRead[c], oursSaveBytes += shared->saveBytes[c];
    busy += shared->busy[c];
    saves += shared->saves[c];
    gaveUp += shared->gaveUp[c];
    for (int i = 0; i < std::min(shared->saves[c], MaxSaves); ++i) all[n++] = shared->saveMs[c][i];
  }
  std::sort(all, all + n);
  auto pct = [&](double p) { return n ? all[std::min(n - 1, static_cast<int>(p * (n - 1) + 0.5))] : 0.0; };
  // From a save to the last other client whose image showed it, over the saves every client saw.
  static double spread[MaxIds];
  int spreadCount = 0;
  const int ids = std::min(shared->nextId, MaxIds);
  for (int i = 0; i < ids; ++i)
    if (shared->doneAt[i] && shared->seenBy[i] == clients - 1)
      spread[spreadCount++] = static_cast<double>(std::max(0LL, shared->lastSeenAt[i] - shared->doneAt[i]));
  std::sort(spread, spread + spreadCount);
  auto spreadPct = [&](double p) {
    return spreadCount ? spread[std::min(spreadCount - 1, static_cast<int>(p * (spreadCount - 1) + 0.5))] : 0.0;
  };
  std::printf(
      "office %s clients=%d older=%d coarse-s=%d minutes=%d saves-per-hour=%.1f rtt-ms=%.1f lock-held=%.1f%% busy=%d "
      "saves=%d gave-up=%d "
      "save-p50-ms=%.0f save-p99-ms=%.0f bytes-per-minute=%lld save-bytes-per-minute=%lld ours-bytes-per-minute=%lld "
      "ours-save-bytes-per-minute=%lld seen-by-all=%d "
      "to-all-p50-ms=%.0f to-all-p99-ms=%.0f to-all-max-ms=%.0f failed=%d\n",
      argv[5], clients, olderClients, coarseSeconds, minutes, savesPerHour, rtt / 1000.0,
      samples ? 100.0 * held / samples : 0.0, busy, saves, gaveUp, pct(0.5), pct(0.99), bytes / (minutes - 1),
      saveBytes / (minutes - 1), oursBytes / (minutes - 1), oursSaveBytes / (minutes - 1), spreadCount, spreadPct(0.5),
      spreadPct(0.99), spreadCount ? spread[spreadCount - 1] : 0.0, failed);
  return failed == 0 ? 0 : 1;
}
