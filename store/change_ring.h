#pragma once
// The change ring: what a writer of ours appends to "<board>.jnl" after its row record, in the same
// write, so that the other PCs can follow the board by reading a few dozen bytes rather than all of it.
// A head names the newest change (its number and the CRC-32 of the whole board after it) and the
// record it was written with; entries follow newest first, each the changed bytes of one row with the
// board's CRC before and after. A reader applies the entries that lead from its own image's CRC to the
// head's and checks the result's CRC: what it shows is proven by content, never by file times. A board
// an older client wrote matches no head: the first PC to read it under the lock writes the rows it
// changed into the ring, and the others follow them.
//   offset 1164 (after the record): head, 56 bytes
//     "TVQ1", seq, board CRC, record CRC (a copy of the record's own), count, proven stamp (3),
//     32 entry lengths in 4-byte units, head CRC        (numbers little-endian)
// The proven stamp (0: none) is a mark of the board's size and time at which the board was known to be
// the head's, with no other write possible in that stamp: a fine-grained stamp its writer took, or an
// older one a locked read proved. A board whose stamp has that mark needs no read; any other is proven
// by content. (Builds before it left these bytes zero and never look at them.)
//   entries, newest first: seq, CRC before, CRC after, slot (2), run count (2), runs of
//     (offset in the row (2), length (1), bytes), zero padding to 4, entry CRC
#include <cstddef>
#include <cstdint>

#include "store/row_record.h"

namespace store {

constexpr int RingEntries = 32;
constexpr size_t RingHeadSize = 56;
// The tail's bound: older entries that would not fit are dropped.
constexpr size_t RingTailMax = 8192;
// Where the head lies in the side file, and the record's CRC just before it.
constexpr size_t RingOffset = sizeof(RowRecord);
constexpr size_t RecordCrcOffset = offsetof(RowRecord, crc);
constexpr size_t JournalMax = RingOffset + RingTailMax;
// After the ring's room, the side file's trailer: "TVX1", its version, the length of the file as that
// version writes it, and the CRC of those 12 bytes. What lies beyond is a later version's: kept, never
// written, never read.
constexpr uint32_t SideFileVersion = 2;
constexpr size_t TrailerSize = 16;
constexpr size_t SideFileSize = JournalMax + TrailerSize;

struct RingHead {
  uint32_t seq;
  uint32_t boardCrc;
  uint32_t recordCrc;
  int count;
  uint32_t proven;              // the proven stamp's mark, 0 when none
  size_t lengths[RingEntries];  // in bytes
};

// The mark of a board's size and time (24 bits, never 0).
uint32_t stampMark(long long size, long long modified);
// Writes the proven stamp's mark into a head's bytes and seals it again.
void markHead(unsigned char* head, uint32_t proven);

// The head from its 56 bytes; false when they are not a sealed head.
bool readRingHead(const unsigned char* bytes, size_t size, RingHead& out);

// The bytes of the newest `need` entries, which follow the head.
size_t ringEntryBytes(const RingHead& head, int need);

// How many of the newest entries lead from imageCrc to the head (the oldest of them starts there); 0
// when none does.
int ringEntriesFrom(const RingHead& head, const unsigned char* entries, size_t size, uint32_t imageCrc);

// Applies the newest `need` entries (entries: their bytes as they follow the head) to image, oldest
// first, when the oldest starts from imageCrc and each leads to the next; true when image then has
// the head's CRC. On false the image may be half changed: the caller passes a copy.
bool applyRingEntries(const RingHead& head, const unsigned char* entries, size_t size, int need, uint32_t imageCrc,
                      unsigned char* image);

// The tail after a write: the new entry (slot's row from before to after, the board's CRC from
// crcBefore to crcAfter) ahead of the old tail's entries when they lead to crcBefore, those that
// fit. oldTail may be empty or damaged. Returns the new tail's size in out (RingTailMax bytes).
size_t nextRingTail(const unsigned char* oldTail, size_t oldSize, uint32_t recordCrc, uint32_t crcBefore,
                    uint32_t crcAfter, int slot, const unsigned char* before, const unsigned char* after,
                    unsigned char* out);

// The tail that names a board no entry leads to (one an older client wrote, or the first a share
// has): a head with the board's CRC and no entries, numbered after the old tail's head.
size_t ringTailNaming(const unsigned char* oldTail, size_t oldSize, uint32_t recordCrc, uint32_t boardCrc,
                      unsigned char* out);

}  // namespace store
