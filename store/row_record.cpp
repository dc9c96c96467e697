#include "store/row_record.h"

#include <cstring>

#include "platform/files.h"
#include "store/change_ring.h"

namespace store {

namespace {

constexpr char Magic[4] = {'T', 'V', 'R', '1'};
constexpr char TrailerMagic[4] = {'T', 'V', 'X', '1'};

void put32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// CRC-32 (IEEE), eight bytes a step (slicing by eight): a reader checks a whole board's each time it
// follows the ring. Table k holds the CRC of a byte followed by k zero bytes.
struct CrcTable {
  uint32_t t[8][256];
  constexpr CrcTable() : t() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[0][i] = c;
    }
    for (int k = 1; k < 8; ++k)
      for (uint32_t i = 0; i < 256; ++i) t[k][i] = t[0][t[k - 1][i] & 0xFF] ^ (t[k - 1][i] >> 8);
  }
};
constexpr CrcTable crcTable;

struct Region {
  size_t offset;
  size_t stride;
  size_t size;
};
constexpr Region Regions[] = {
    {offsetof(BoardImage, entries), sizeof(ScheduleEntry), sizeof(ScheduleEntry)},
    {offsetof(BoardImage, returnTimes), ReturnTimeSize, ReturnTimeSize},
    {offsetof(BoardImage, writtenAt), WrittenSize, WrittenSize},
};

uint32_t recordCrc(const RowRecord& r) {
  return crc32(reinterpret_cast<const unsigned char*>(&r) + offsetof(RowRecord, slot),
               offsetof(RowRecord, crc) - offsetof(RowRecord, slot));
}

int recordSlot(const RowRecord& r) { return r.slot[0] | r.slot[1] << 8; }

enum class Loaded { absent, broken, whole, done };

uint32_t storedCrc(const RowRecord& r) {
  return static_cast<uint32_t>(r.crc[0]) | static_cast<uint32_t>(r.crc[1]) << 8 |
         static_cast<uint32_t>(r.crc[2]) << 16 | static_cast<uint32_t>(r.crc[3]) << 24;
}

// The record, when it is whole, sealed and names a slot; a record torn while it was written
// belongs to a write that never reached the board. The whole file comes in one read: the change
// ring after the record goes to tail, when given, if its head names this record (a client that
// writes the record alone leaves a ring behind that belongs to another).
Loaded loadRecord(FILE* f, RowRecord& r, unsigned char* tail, size_t* tailSize) {
  unsigned char file[JournalMax];
  const size_t got = files::readBlock(file, sizeof file, f);
  if (tailSize) *tailSize = 0;
  if (got == 0 && !files::hasError(f)) return Loaded::absent;  // just created by this writer
  if (got < sizeof r || files::hasError(f)) return Loaded::broken;
  std::memcpy(&r, file, sizeof r);
  if (std::memcmp(r.magic, Magic, sizeof Magic) != 0 || recordSlot(r) >= MaxMembers) return Loaded::broken;
  const uint32_t c = recordCrc(r);
  if (storedCrc(r) != c) return Loaded::broken;
  // Read as sealed: Failed only ever comes with its seal, and a state that fails it is not understood.
  r.state = recordState(r.state, r.seal, c);
  if (r.state == RecordUnknown) return Loaded::broken;
  RingHead head;
  if (tail && tailSize && readRingHead(file + sizeof r, got - sizeof r, head) && head.recordCrc == c) {
    *tailSize = got - sizeof r;
    std::memcpy(tail, file + sizeof r, *tailSize);
  }
  return r.state == RecordDone ? Loaded::done : Loaded::whole;
}

// Whether the row on the board must be put back: it is torn (every byte from before or after,
// yet neither whole), or whole but its write was reported failed. A row with any byte from
// neither was written since by someone else and is theirs.
bool needsRepair(const RowRecord& r, const unsigned char* image) {
  unsigned char row[RowBytes];
  rowBytesOf(image, recordSlot(r), row);
  if (std::memcmp(row, r.before, RowBytes) == 0) return false;
  if (std::memcmp(row, r.after, RowBytes) == 0) return r.state == RecordFailed;
  for (size_t i = 0; i < RowBytes; ++i)
    if (row[i] != r.before[i] && row[i] != r.after[i]) return false;
  return true;
}

// Longer than any write takes from its record to the board's last byte, shorter than a dead
// writer's lock takes to be reset and a new save made.
constexpr long long CrashWriteSeconds = 10;

// The board was written since the record by someone else, so whatever its row holds is theirs.
bool boardWrittenSince(const char* boardPath, const char* recordPath) {
  files::Stamp board, record;
  return files::stamp(boardPath, board) && files::stamp(recordPath, record) &&
         board.seconds > record.seconds + CrashWriteSeconds;
}

bool writeImage(FILE* f, const unsigned char* image) {
  return files::seekStart(f) && files::writeBlock(image, BoardSize, f) == 1 && files::flush(f);
}

}  // namespace

void rowRecordPathFor(const char* boardPath, char (&out)[RecordPathSize]) {
  std::snprintf(out, sizeof out, "%s.jnl", boardPath);
}

uint32_t crc32(const unsigned char* data, size_t size) {
  const auto& t = crcTable.t;
  uint32_t c = 0xFFFFFFFFu;
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    const uint32_t low = c ^ (static_cast<uint32_t>(data[i]) | static_cast<uint32_t>(data[i + 1]) << 8 |
                              static_cast<uint32_t>(data[i + 2]) << 16 | static_cast<uint32_t>(data[i + 3]) << 24);
    c = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^ t[3][data[i + 4]] ^
        t[2][data[i + 5]] ^ t[1][data[i + 6]] ^ t[0][data[i + 7]];
  }
  for (; i < size; ++i) c = t[0][(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void rowBytesOf(const unsigned char* image, int slot, unsigned char (&out)[RowBytes]) {
  size_t at = 0;
  for (const Region& g : Regions) {
    std::memcpy(out + at, image + g.offset + g.stride * static_cast<size_t>(slot), g.size);
    at += g.size;
  }
}

void putRowBytes(unsigned char* image, int slot, const unsigned char* bytes) {
  size_t at = 0;
  for (const Region& g : Regions) {
    std::memcpy(image + g.offset + g.stride * static_cast<size_t>(slot), bytes + at, g.size);
    at += g.size;
  }
}

FILE* openRowRecord(const char* boardPath) {
  char path[RecordPathSize];
  rowRecordPathFor(boardPath, path);
  FILE* f = files::openUpdate(path);
  if (f) return f;
  f = files::createBeside(path, boardPath);
  return f ? f : files::openUpdate(path);  // made meanwhile by another
}

uint32_t rowRecordCrc(const RowRecord& r) { return recordCrc(r); }

uint8_t sealState(uint8_t state, uint32_t crc) {
  const uint8_t folded = static_cast<uint8_t>(crc ^ crc >> 8 ^ crc >> 16 ^ crc >> 24);
  return static_cast<uint8_t>(0x80 | ((state ^ folded) & 0x7F));
}

uint8_t recordState(uint8_t state, uint8_t seal, uint32_t crc) {
  const bool known = state == RecordPending || state == RecordDone || state == RecordFailed;
  if (seal == 0) return state == RecordDone ? RecordDone : known ? RecordPending : RecordUnknown;
  return known && seal == sealState(state, crc) ? state : RecordUnknown;
}

void setRecordState(RowRecord& r, uint8_t state) {
  r.state = state;
  r.seal = sealState(state, storedCrc(r));
}

void makeRowRecord(RowRecord& r, int slot, const unsigned char* before, const unsigned char* after) {
  std::memset(&r, 0, sizeof r);
  std::memcpy(r.magic, Magic, sizeof Magic);
  r.state = RecordPending;
  r.slot[0] = static_cast<uint8_t>(slot & 0xFF);
  r.slot[1] = static_cast<uint8_t>(slot >> 8);
  std::memcpy(r.before, before, RowBytes);
  std::memcpy(r.after, after, RowBytes);
  const uint32_t c = recordCrc(r);
  for (int i = 0; i < 4; ++i) r.crc[i] = static_cast<uint8_t>(c >> (8 * i));
  setRecordState(r, RecordPending);
}

bool writeRowRecord(FILE* record, const RowRecord& r, const unsigned char* tail, size_t tailSize, bool commit) {
  unsigned char file[SideFileSize] = {};
  if (tailSize > RingTailMax) tailSize = 0;
  std::memcpy(file, &r, sizeof r);
  if (tailSize) std::memcpy(file + sizeof r, tail, tailSize);
  unsigned char* trailer = file + JournalMax;
  std::memcpy(trailer, TrailerMagic, sizeof TrailerMagic);
  put32(trailer + 4, SideFileVersion);
  put32(trailer + 8, static_cast<uint32_t>(SideFileSize));
  put32(trailer + 12, crc32(trailer, 12));
  // A seek must come between reading and writing an update stream.
  return files::seekStart(record) && files::writeBlock(file, sizeof file, record) == 1 &&
         (commit ? files::flush(record) : files::flushBuffered(record));
}

bool writeRowRecord(FILE* record, int slot, const unsigned char* before, const unsigned char* after) {
  RowRecord r;
  makeRowRecord(r, slot, before, after);
  return writeRowRecord(record, r, nullptr, 0);
}

void retireRowRecord(FILE* record, uint32_t recordCrc) {
  const uint8_t done[2] = {RecordDone, sealState(RecordDone, recordCrc)};
  static_assert(offsetof(RowRecord, seal) == offsetof(RowRecord, state) + 1, "state and seal in one write");
  if (files::seekTo(record, offsetof(RowRecord, state))) files::writeBlock(done, sizeof done, record);
}

bool settleRowRecord(const char* boardPath, unsigned char* image, FILE* board, FILE* record, unsigned char* tail,
                     size_t* tailSize, bool* understood) {
  char path[RecordPathSize];
  rowRecordPathFor(boardPath, path);
  if (understood) *understood = true;
  files::Handle own(record ? nullptr : files::openRead(path));
  if (!record && !own) return true;
  RowRecord r;
  const Loaded loaded = loadRecord(record ? record : own.get(), r, tail, tailSize);
  own.close();
  if (understood) *understood = loaded != Loaded::broken;
  // A record not understood (torn, of another format, its state unsealed by a stray byte) changes
  // nothing and is kept: its writer, or a newer build, may still need it.
  if (loaded != Loaded::whole) return true;
  if (needsRepair(r, image) && !boardWrittenSince(boardPath, path)) {
    putRowBytes(image, recordSlot(r), r.before);
    bool written;
    if (board) {
      written = writeImage(board, image);
    } else {
      files::Handle f(files::openUpdate(boardPath));
      written = f && writeImage(f.get(), image);
    }
    if (!written) return false;
  }
  // Settled: marked done for everyone (a writer overwrites it next anyway), the ring after it kept.
  if (!record) {
    files::Handle f(files::openUpdate(path));
    if (f) retireRowRecord(f.get(), storedCrc(r));
  }
  return true;
}

}  // namespace store
