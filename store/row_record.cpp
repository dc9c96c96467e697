#include "store/row_record.h"

#include <cstring>

#include "platform/files.h"

namespace store {

namespace {

constexpr char Magic[4] = {'T', 'V', 'R', '1'};

// CRC-32 (IEEE), a byte at a time: the record is about a kilobyte.
struct CrcTable {
  uint32_t t[256];
  constexpr CrcTable() : t() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
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

void recordPathFor(const char* boardPath, char (&out)[RecordPathSize]) {
  std::snprintf(out, sizeof out, "%s.jnl", boardPath);
}

uint32_t recordCrc(const RowRecord& r) {
  return crc32(reinterpret_cast<const unsigned char*>(&r) + offsetof(RowRecord, slot),
               offsetof(RowRecord, crc) - offsetof(RowRecord, slot));
}

void sealRecord(RowRecord& r) {
  const uint32_t c = recordCrc(r);
  for (int i = 0; i < 4; ++i) r.crc[i] = static_cast<uint8_t>(c >> (8 * i));
}

int recordSlot(const RowRecord& r) { return r.slot[0] | r.slot[1] << 8; }

bool storeRecord(const char* path, const RowRecord& r) {
  files::Handle f(files::openWrite(path));
  if (!f) return false;
  const bool ok = files::writeBlock(&r, sizeof r, f.get()) == 1 && files::flush(f.get());
  f.close();
  if (!ok) files::removeFile(path);
  return ok;
}

enum class Loaded { absent, broken, whole };

// The record, when it is whole, sealed and names a slot; a record torn while it was written
// belongs to a write that never reached the board.
Loaded loadRecord(const char* path, RowRecord& r) {
  files::Handle f(files::openRead(path));
  if (!f) return Loaded::absent;
  unsigned char extra;
  const bool whole = files::readBlock(&r, sizeof r, f.get()) == sizeof r &&
                     files::readBlock(&extra, 1, f.get()) == 0 && !files::hasError(f.get());
  if (!whole || std::memcmp(r.magic, Magic, sizeof Magic) != 0 || recordSlot(r) >= MaxMembers) return Loaded::broken;
  const uint32_t c = recordCrc(r);
  for (int i = 0; i < 4; ++i)
    if (r.crc[i] != static_cast<uint8_t>(c >> (8 * i))) return Loaded::broken;
  return Loaded::whole;
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

bool writeImage(FILE* f, const unsigned char* image) {
  return files::seekStart(f) && files::writeBlock(image, BoardSize, f) == 1 && files::flush(f);
}

}  // namespace

uint32_t crc32(const unsigned char* data, size_t size) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) c = crcTable.t[(c ^ data[i]) & 0xFF] ^ (c >> 8);
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

bool writeRowRecord(const char* boardPath, int slot, const unsigned char* before, const unsigned char* after) {
  char path[RecordPathSize];
  recordPathFor(boardPath, path);
  RowRecord r{};
  std::memcpy(r.magic, Magic, sizeof Magic);
  r.state = RecordPending;
  r.slot[0] = static_cast<uint8_t>(slot & 0xFF);
  r.slot[1] = static_cast<uint8_t>(slot >> 8);
  std::memcpy(r.before, before, RowBytes);
  std::memcpy(r.after, after, RowBytes);
  sealRecord(r);
  return storeRecord(path, r);
}

bool markRowRecordFailed(const char* boardPath) {
  char path[RecordPathSize];
  recordPathFor(boardPath, path);
  files::Handle f(files::openUpdate(path));
  if (!f) return false;
  const uint8_t failed = RecordFailed;
  return files::seekTo(f.get(), offsetof(RowRecord, state)) && files::writeBlock(&failed, 1, f.get()) == 1 &&
         files::flush(f.get());
}

void discardRowRecord(const char* boardPath) {
  char path[RecordPathSize];
  recordPathFor(boardPath, path);
  files::removeFile(path);
}

bool settleRowRecord(const char* boardPath, unsigned char* image, FILE* update) {
  char path[RecordPathSize];
  recordPathFor(boardPath, path);
  RowRecord r;
  const Loaded loaded = loadRecord(path, r);
  if (loaded == Loaded::absent) return true;
  if (loaded == Loaded::whole && needsRepair(r, image)) {
    putRowBytes(image, recordSlot(r), r.before);
    bool written;
    if (update) {
      written = writeImage(update, image);
    } else {
      files::Handle f(files::openUpdate(boardPath));
      written = f && writeImage(f.get(), image);
    }
    if (!written) return false;
  }
  files::removeFile(path);
  return true;
}

}  // namespace store
