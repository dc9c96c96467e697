#include "bench/share.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "store/board.h"
#include "store/names.h"

namespace bench {

namespace {
bool writeFile(const char* path, const void* data, size_t size) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}
}  // namespace

store::Share& session() {
  static store::Share share;
  return share;
}

bool prepareShare(const char* dir, SharePaths& out) {
  std::snprintf(out.board, sizeof out.board, "%s/tv_cont.lst", dir);
  std::snprintf(out.names, sizeof out.names, "%s/tv_name.lst", dir);
  std::snprintf(out.lock, sizeof out.lock, "%s/sem.dat", dir);
  std::snprintf(out.journal, sizeof out.journal, "%s.jnl", out.board);
  std::remove(out.lock);
  std::remove(out.journal);

  // Every row filled, as in an office where everyone has written something.
  static store::BoardImage image;
  std::memset(&image, 0, sizeof image);
  for (int slot = 0; slot < store::MaxMembers; ++slot) {
    std::snprintf(image.boardNames[slot], store::NameSize, "member%03d", slot);
    std::snprintf(image.entries[slot].morning, store::PlanSize, "office %d", slot);
    std::snprintf(image.entries[slot].afternoon, store::PlanSize, "meeting room %d", slot % 7);
    std::snprintf(image.returnTimes[slot], store::ReturnTimeSize, "17:%02d", slot % 60);
    std::snprintf(image.writtenAt[slot], store::WrittenSize, "24/05/01 09:%02d", slot % 60);
  }
  static char names[store::MaxMembers * 12];
  size_t used = 0;
  for (int slot = 0; slot < store::MaxMembers; ++slot)
    used += static_cast<size_t>(std::snprintf(names + used, sizeof names - used, "member%03d;", slot));
  if (!writeFile(out.board, &image, sizeof image) || !writeFile(out.names, names, used)) {
    std::fprintf(stderr, "cannot write the scratch share in %s\n", dir);
    return false;
  }

  std::snprintf(bench::session().boardPath, sizeof bench::session().boardPath, "%s", out.board);
  std::snprintf(bench::session().nameListPath, sizeof bench::session().nameListPath, "%s", out.names);
  if (!store::loadNameList(bench::session()) || bench::session().memberCount != store::MaxMembers) {
    std::fprintf(stderr, "the scratch name list did not load (%d members)\n", bench::session().memberCount);
    return false;
  }
  return true;
}

long long nowNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

}  // namespace bench
