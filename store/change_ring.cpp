#include "store/change_ring.h"

#include <cstring>

namespace store {

namespace {

constexpr char Magic[4] = {'T', 'V', 'Q', '1'};
constexpr size_t EntryFixed = 16;  // seq, CRC before, CRC after, slot, run count
constexpr size_t RunFixed = 3;     // offset, length
constexpr size_t MaxRun = 255;
// Equal bytes shorter than this between two differences cost less inside one run than a new run.
constexpr size_t RunJoin = 4;
constexpr size_t ProvenAt = 17;
constexpr size_t LengthsAt = 20;
constexpr size_t HeadCrcAt = LengthsAt + RingEntries;
static_assert(HeadCrcAt + 4 == RingHeadSize, "head layout");

uint32_t get32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
unsigned get16(const unsigned char* p) { return p[0] | static_cast<unsigned>(p[1]) << 8; }
void put32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void put16(unsigned char* p, unsigned v) {
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>(v >> 8);
}

struct Entry {
  uint32_t seq, before, after;
  int slot;
  const unsigned char* runs;
  size_t runBytes;
  unsigned runCount;
};

// One entry of `size` bytes, sealed and within its bounds.
bool readEntry(const unsigned char* p, size_t size, Entry& e) {
  if (size < EntryFixed + 4 || size % 4 != 0 || get32(p + size - 4) != crc32(p, size - 4)) return false;
  e = {get32(p),       get32(p + 4),          get32(p + 8), static_cast<int>(get16(p + 12)),
       p + EntryFixed, size - EntryFixed - 4, get16(p + 14)};
  return e.slot < MaxMembers;
}

// The entry's runs into the slot's row of image; false when a run leaves the row or the entry.
bool applyEntry(const Entry& e, unsigned char* image) {
  unsigned char row[RowBytes];
  rowBytesOf(image, e.slot, row);
  size_t at = 0;
  for (unsigned r = 0; r < e.runCount; ++r) {
    if (at + RunFixed > e.runBytes) return false;
    const size_t offset = get16(e.runs + at), length = e.runs[at + 2];
    at += RunFixed;
    if (offset + length > RowBytes || at + length > e.runBytes) return false;
    std::memcpy(row + offset, e.runs + at, length);
    at += length;
  }
  putRowBytes(image, e.slot, row);
  return true;
}

// The entry of a row write into out; its size, a multiple of 4 and at most 4 * 255 bytes.
size_t makeEntry(uint32_t seq, uint32_t crcBefore, uint32_t crcAfter, int slot, const unsigned char* before,
                 const unsigned char* after, unsigned char* out) {
  put32(out, seq);
  put32(out + 4, crcBefore);
  put32(out + 8, crcAfter);
  put16(out + 12, static_cast<unsigned>(slot));
  size_t at = EntryFixed;
  unsigned runs = 0;
  for (size_t i = 0; i < RowBytes;) {
    if (before[i] == after[i]) {
      ++i;
      continue;
    }
    size_t end = i + 1;  // one past the run's last difference
    for (size_t j = end; j < RowBytes && j - i < MaxRun && j < end + RunJoin; ++j)
      if (before[j] != after[j]) end = j + 1;
    put16(out + at, static_cast<unsigned>(i));
    out[at + 2] = static_cast<unsigned char>(end - i);
    std::memcpy(out + at + RunFixed, after + i, end - i);
    at += RunFixed + (end - i);
    ++runs;
    i = end;
  }
  put16(out + 14, runs);
  while (at % 4) out[at++] = 0;
  put32(out + at, crc32(out, at));
  return at + 4;
}

}  // namespace

bool readRingHead(const unsigned char* bytes, size_t size, RingHead& out) {
  if (size < RingHeadSize || std::memcmp(bytes, Magic, sizeof Magic) != 0) return false;
  if (get32(bytes + HeadCrcAt) != crc32(bytes, HeadCrcAt)) return false;
  out.seq = get32(bytes + 4);
  out.boardCrc = get32(bytes + 8);
  out.recordCrc = get32(bytes + 12);
  out.count = bytes[16];
  out.proven = static_cast<uint32_t>(bytes[ProvenAt]) | static_cast<uint32_t>(bytes[ProvenAt + 1]) << 8 |
               static_cast<uint32_t>(bytes[ProvenAt + 2]) << 16;
  if (out.count > RingEntries) return false;
  size_t total = RingHeadSize;
  for (int i = 0; i < RingEntries; ++i) {
    out.lengths[i] = i < out.count ? static_cast<size_t>(bytes[LengthsAt + i]) * 4 : 0;
    total += out.lengths[i];
  }
  return total <= RingTailMax;
}

size_t ringEntryBytes(const RingHead& head, int need) {
  size_t total = 0;
  for (int i = 0; i < need && i < head.count; ++i) total += head.lengths[i];
  return total;
}

int ringEntriesFrom(const RingHead& head, const unsigned char* entries, size_t size, uint32_t imageCrc) {
  size_t at = 0;
  for (int i = 0; i < head.count && at + head.lengths[i] <= size; ++i) {
    Entry e;
    if (!readEntry(entries + at, head.lengths[i], e)) return 0;
    if (e.before == imageCrc) return i + 1;
    at += head.lengths[i];
  }
  return 0;
}

bool applyRingEntries(const RingHead& head, const unsigned char* entries, size_t size, int need, uint32_t imageCrc,
                      unsigned char* image) {
  if (need < 1 || need > head.count || size < ringEntryBytes(head, need)) return false;
  Entry list[RingEntries];
  size_t at = 0;
  for (int i = 0; i < need; ++i) {
    if (!readEntry(entries + at, head.lengths[i], list[i]) || list[i].seq != head.seq - static_cast<uint32_t>(i))
      return false;
    at += head.lengths[i];
  }
  // Each entry starts where the one before it ended, and the newest ends at the head.
  if (list[need - 1].before != imageCrc || list[0].after != head.boardCrc) return false;
  for (int i = need - 1; i > 0; --i)
    if (list[i].after != list[i - 1].before) return false;
  for (int i = need - 1; i >= 0; --i)
    if (!applyEntry(list[i], image)) return false;
  return crc32(image, BoardSize) == head.boardCrc;
}

namespace {
void sealHead(unsigned char* out, uint32_t seq, uint32_t boardCrc, uint32_t recordCrc, int count) {
  std::memcpy(out, Magic, sizeof Magic);
  put32(out + 4, seq);
  put32(out + 8, boardCrc);
  put32(out + 12, recordCrc);
  out[16] = static_cast<unsigned char>(count);
  put32(out + HeadCrcAt, crc32(out, HeadCrcAt));
}
}  // namespace

uint32_t stampMark(long long size, long long modified) {
  unsigned char bytes[16];
  for (int i = 0; i < 8; ++i) {
    bytes[i] = static_cast<unsigned char>(static_cast<unsigned long long>(size) >> (8 * i));
    bytes[8 + i] = static_cast<unsigned char>(static_cast<unsigned long long>(modified) >> (8 * i));
  }
  const uint32_t mark = crc32(bytes, sizeof bytes) & 0xFFFFFFu;
  return mark ? mark : 1;
}

void markHead(unsigned char* head, uint32_t proven) {
  for (int i = 0; i < 3; ++i) head[ProvenAt + i] = static_cast<unsigned char>(proven >> (8 * i));
  put32(head + HeadCrcAt, crc32(head, HeadCrcAt));
}

size_t ringTailNaming(const unsigned char* oldTail, size_t oldSize, uint32_t recordCrc, uint32_t boardCrc,
                      unsigned char* out) {
  RingHead old{};
  const uint32_t seq = readRingHead(oldTail, oldSize, old) ? old.seq + 1 : boardCrc;
  std::memset(out, 0, RingHeadSize);
  sealHead(out, seq, boardCrc, recordCrc, 0);
  return RingHeadSize;
}

size_t nextRingTail(const unsigned char* oldTail, size_t oldSize, uint32_t recordCrc, uint32_t crcBefore,
                    uint32_t crcAfter, int slot, const unsigned char* before, const unsigned char* after,
                    unsigned char* out) {
  RingHead old{};
  const bool had = readRingHead(oldTail, oldSize, old) && ringEntryBytes(old, old.count) + RingHeadSize <= oldSize;
  // A head that does not end where this write starts (an older client wrote, a write was undone) leaves
  // its entries behind: no reader could follow them to this board.
  const bool follows = had && old.boardCrc == crcBefore;
  const uint32_t seq = had ? old.seq + 1 : crcBefore;
  std::memset(out, 0, RingHeadSize);
  size_t at = RingHeadSize;
  const size_t first = makeEntry(seq, crcBefore, crcAfter, slot, before, after, out + at);
  out[LengthsAt] = static_cast<unsigned char>(first / 4);
  at += first;
  int count = 1;
  const unsigned char* from = oldTail + RingHeadSize;
  for (int i = 0; follows && i < old.count && count < RingEntries && at + old.lengths[i] <= RingTailMax; ++i) {
    std::memcpy(out + at, from, old.lengths[i]);
    out[LengthsAt + count++] = static_cast<unsigned char>(old.lengths[i] / 4);
    at += old.lengths[i];
    from += old.lengths[i];
  }
  sealHead(out, seq, crcAfter, recordCrc, count);
  return at;
}

}  // namespace store
