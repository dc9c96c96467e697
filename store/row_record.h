#pragma once
// The side record that makes a row write safe on a share. Under the lock, before the board is
// overwritten, the row's bytes before and after the write go to "<board>.jnl" and reach the disk;
// the board is then written and the record marked done. Whoever next holds the lock and finds a
// record not done looks at that one row: if it is torn (a mix of before and after), it is put back as it was; a row
// that is whole, or that someone wrote since, is left alone. Nothing else on the board is touched,
// so rows written meanwhile by older clients, which know nothing of the record, are never undone.
// A board written well after its record was written since by another client: a crash's write ends
// within seconds of its record, and an older client can write only after the dead writer's lock is
// reset. Its row may match before and after byte for byte (the same texts in the same minute).
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "store/board.h"

namespace store {

constexpr size_t RecordPathSize = 264;  // a 255-byte board path plus ".jnl" and the NUL

// A row's bytes on the board: its entry, its return time and its time written, in that order.
constexpr size_t RowBytes = sizeof(ScheduleEntry) + ReturnTimeSize + WrittenSize;
static_assert(RowBytes == 576, "a row's three fields");

struct RowRecord {
  char magic[4];  // "TVR1"
  uint8_t state;  // Pending while the write runs, Done after it; Failed, left by earlier versions, forces the undo
  // The state's check (sealState): 0 in records of builds that left the state unchecked, whose state
  // then decides nothing but whether a torn row is looked for.
  uint8_t seal;
  uint8_t slot[2];  // little-endian
  unsigned char before[RowBytes];
  unsigned char after[RowBytes];
  uint8_t crc[4];  // CRC-32 of the slot and both rows, little-endian; the state and its seal change alone
};
static_assert(sizeof(RowRecord) == 1164, "the record's size is its format");
static_assert(offsetof(RowRecord, slot) == 6 && offsetof(RowRecord, before) == 8, "record layout");
static_assert(offsetof(RowRecord, after) == 584 && offsetof(RowRecord, crc) == 1160, "record layout");

constexpr uint8_t RecordPending = 'P';
constexpr uint8_t RecordFailed = 'F';
constexpr uint8_t RecordDone = 'D';
// A state that does not match its seal: the record is not understood and changes nothing.
constexpr uint8_t RecordUnknown = 0;

// The state's check byte, bound to the record's CRC: any change of the state byte alone no longer
// matches it, so a stray byte can neither mark a landed write failed nor a torn one done. The top
// bit tells it from the zero of records without one.
uint8_t sealState(uint8_t state, uint32_t recordCrc);
// What a record's state byte and seal mean: the state when sealed (or Pending/Done unsealed, and
// Failed unsealed taken as Pending: only a torn row is put back), else RecordUnknown.
uint8_t recordState(uint8_t state, uint8_t seal, uint32_t recordCrc);

uint32_t crc32(const unsigned char* data, size_t size);

// "<board>.jnl".
void rowRecordPathFor(const char* boardPath, char (&out)[RecordPathSize]);

void rowBytesOf(const unsigned char* image, int slot, unsigned char (&out)[RowBytes]);
void putRowBytes(unsigned char* image, int slot, const unsigned char* bytes);

// The record file opened for a write: the existing one for update, or a new one with the board's
// own rights (files::createBeside). Null when it can be neither opened nor created (a full disk, a
// side file another account made for itself); nothing stands in the way of the write then.
FILE* openRowRecord(const char* boardPath);
// The sealed record of a row write, Pending.
void makeRowRecord(RowRecord& r, int slot, const unsigned char* before, const unsigned char* after);
uint32_t rowRecordCrc(const RowRecord& r);
// The record's state, with its seal.
void setRecordState(RowRecord& r, uint8_t state);
// Writes the record of a row write over any earlier one, with the bytes that follow it (the change
// ring) and the trailer in the same write, and commits it to the device: the one flush a write spends
// on it. Overwriting in place is far cheaper to commit than creating a file anew. Without commit (a
// read naming a board: losing it costs a read, not a row) it is only handed to the OS.
bool writeRowRecord(FILE* record, const RowRecord& r, const unsigned char* tail, size_t tailSize, bool commit = true);
bool writeRowRecord(FILE* record, int slot, const unsigned char* before, const unsigned char* after);
// The write is over (landed, or never touched the board): the record (of that CRC) is marked done,
// the state and its seal in one write. The file stays for the next write to overwrite.
void retireRowRecord(FILE* record, uint32_t recordCrc);

// Called under the lock with the board just read into image: settles a record left behind. A torn
// row is put back in image and in the file, through board when given (else the board is opened for
// it). With record given (a writer, who overwrites it next) it is read through that; otherwise it
// is opened here and, once settled, marked done (never deleted: the ring after it stays). A record
// not understood (torn, of a newer format, a state that fails its seal) changes nothing and is kept;
// understood, when given, says whether the file was absent or understood. False when a repair was
// due but could not be written: the record stays for the next holder, while image already shows the
// repaired row. With tail given (RingTailMax bytes), the bytes after the record come back there.
bool settleRowRecord(const char* boardPath, unsigned char* image, FILE* board, FILE* record,
                     unsigned char* tail = nullptr, size_t* tailSize = nullptr, bool* understood = nullptr);

}  // namespace store
