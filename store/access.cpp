#include "store/access.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/files.h"
#include "platform/status.h"
#include "platform/system.h"
#include "store/board.h"
#include "store/change_ring.h"
#include "store/lock.h"
#include "store/names.h"
#include "store/row_record.h"
#include "store/share.h"
#include "text/timestamps.h"
#include "text/waits.h"

namespace store {

namespace {

// The share's lastStamp is the board as our last locked read or write left it. Trusted only when the
// board was last written before our lock file was made: any later write then carries a later time,
// even where the file system's clock is coarse; a write within the same tick as ours could not be
// told apart.
// True when the board's stamp was taken.
bool rememberBoard(Share& share, const char* path, bool settled) {
  files::Stamp lock;
  const char* held = heldLockPath(share);
  const bool stamped = settled && held && files::stamp(path, share.lastStamp);
  share.stampTrusted = stamped && files::stamp(held, lock) && share.lastStamp.modified < lock.modified;
  return stamped;
}

constexpr char WriteError[] = "(106)サーバーへの書き込みエラー";
constexpr char Unconfirmed[] = "(107)書き込みを確かめられません（保存された可能性があります）";
constexpr char Unlocked[] = "(305)排他ファイルを作成できません（ロックなしで処理しました）";
constexpr char NoSideFile[] =
    "(108)変更記録ファイル（.jnl）に書き込めないため記録なしで保存しました。管理者に書き込みの許可を依頼してください";

// busy: another client holds the lock; retry: something else failed, try again after the wait;
// changed: the row is not as the writer last saw it, and nothing was written; uncertain: a failed
// write that could not be undone, which may be on the board; later: a read that could prove nothing
// yet, left to a look after the board's tick (ProofLater).
enum class Outcome { done, busy, retry, stop, changed, uncertain, later };
constexpr int ProofLater = 4;

// While the lock is busy it is tried again this often within each attempt's second, so a waiter takes a
// freed lock within half a second rather than a whole one, and asks no more than twice a second (the
// lock keeps that pace: nextLockAskMs). The spread keeps waiters apart.
constexpr unsigned TryAgainMs = 500;
constexpr unsigned TryAgainSpreadMs = 50;

// The image's CRC anew, and the ring's head (tail: the side file's bytes after the record, as read
// with it under the lock) as seen now.
void followImage(Share& share, const unsigned char* tail, size_t size) {
  share.imageCrc = crc32(reinterpret_cast<const unsigned char*>(&share.board), BoardSize);
  RingHead head;
  share.ringSeen = readRingHead(tail, size, head);
  share.ringSeq = head.seq;
  share.ringCrc = head.boardCrc;
}

// Our own write's head: the image is the board after it.
void followRing(Share& share, const unsigned char* tail, size_t size) {
  RingHead head;
  share.ringSeen = readRingHead(tail, size, head);
  share.ringSeq = head.seq;
  share.ringCrc = head.boardCrc;
}

// The rows an older client's write changed, as this PC's image had them before the read.
constexpr int MaxNamedRows = 8;
struct ChangedRows {
  int count;  // -1: more than MaxNamedRows, or the image was not the head's board
  int slots[MaxNamedRows];
  unsigned char before[MaxNamedRows][RowBytes];
};

// Compares the image (the head's board, when so) with the board just read into scratch.
void findChangedRows(const Share& share, const unsigned char* tail, size_t size, ChangedRows& out) {
  RingHead head;
  out.count = readRingHead(tail, size, head) && head.boardCrc == share.imageCrc ? 0 : -1;
  const unsigned char* image = reinterpret_cast<const unsigned char*>(&share.board);
  for (int slot = 0; slot < MaxMembers && out.count >= 0; ++slot) {
    unsigned char was[RowBytes], now[RowBytes];
    rowBytesOf(image, slot, was);
    rowBytesOf(share.scratch, slot, now);
    if (std::memcmp(was, now, RowBytes) == 0) continue;
    if (out.count == MaxNamedRows) {
      out.count = -1;
      break;
    }
    out.slots[out.count] = slot;
    std::memcpy(out.before[out.count++], was, RowBytes);
  }
}

// The changed rows as ring entries after the head, each from one board CRC to the next (the image's
// rows put back one by one in scratch, from the last): the others follow an older client's write by
// its entries as they follow ours. Its size, or 0 when the rows do not lead from the head's board to
// this one (a change outside the rows).
size_t entriesFor(Share& share, const ChangedRows& rows, size_t tail, uint32_t recordCrc) {
  uint32_t crcBefore[MaxNamedRows], crcAfter[MaxNamedRows];
  unsigned char after[MaxNamedRows][RowBytes];
  std::memcpy(share.scratch, &share.board, BoardSize);
  for (int i = rows.count - 1; i >= 0; --i) {
    crcAfter[i] = crc32(share.scratch, BoardSize);
    rowBytesOf(share.scratch, rows.slots[i], after[i]);
    putRowBytes(share.scratch, rows.slots[i], rows.before[i]);
    crcBefore[i] = crc32(share.scratch, BoardSize);
  }
  RingHead head;
  if (!readRingHead(share.ring, tail, head) || crcBefore[0] != head.boardCrc) return 0;
  unsigned char* from = share.ring;
  unsigned char* to = share.nextRing;
  size_t size = tail;
  for (int i = 0; i < rows.count; ++i) {
    size = nextRingTail(from, size, recordCrc, crcBefore[i], crcAfter[i], rows.slots[i], rows.before[i], after[i], to);
    unsigned char* t = from;
    from = to;
    to = t;
  }
  if (from != share.nextRing) std::memcpy(share.nextRing, from, size);
  return size;
}

// Under the lock, a board no ring entry leads to (a share that never had the ring, an older client's
// write) is named: by the entries of the rows that changed when this PC held the head's board, else in
// a fresh head, so that the other PCs follow it without the lock, proven by its CRC, rather than each
// under the lock. The record beside it is done: nothing to put back.
// A read makes the side file only beside a board this PC may write (a file of at least a board's
// size that opens for update), never beside whatever else it was given to show.
void nameBoard(Share& share, const char* path, size_t tail, const ChangedRows& rows) {
  char name[RecordPathSize];
  rowRecordPathFor(path, name);
  files::Handle record(files::openUpdate(name));
  if (!record) {
    files::Stamp board;
    if (!files::stamp(path, board) || board.size < static_cast<long long>(BoardSize) || !files::opensForUpdate(path))
      return;
    record.reset(files::createBeside(name, path));
  }
  if (!record) return;
  unsigned char row[RowBytes];
  rowBytesOf(reinterpret_cast<const unsigned char*>(&share.board), 0, row);
  RowRecord r;
  makeRowRecord(r, 0, row, row);
  setRecordState(r, RecordDone);
  size_t next = rows.count > 0 ? entriesFor(share, rows, tail, rowRecordCrc(r)) : 0;
  if (!next) next = ringTailNaming(share.ring, tail, rowRecordCrc(r), share.imageCrc, share.nextRing);
  if (share.stampTrusted) markHead(share.nextRing, stampMark(share.lastStamp.size, share.lastStamp.modified));
  if (writeRowRecord(record.get(), r, share.nextRing, next, false)) followRing(share, share.nextRing, next);
}

// Under the lock, the board read is the head's at a stamp no later write can carry: the head is marked
// with it (unless it already is), so the other PCs take the board at that stamp without reading it.
void markProven(Share& share, const char* path, size_t tail) {
  RingHead head;
  const uint32_t mark = stampMark(share.lastStamp.size, share.lastStamp.modified);
  if (!readRingHead(share.ring, tail, head) || head.proven == mark) return;
  char name[RecordPathSize];
  rowRecordPathFor(path, name);
  files::Handle f(files::openUpdate(name));
  markHead(share.ring, mark);
  if (f && files::seekTo(f.get(), RingOffset)) files::writeBlock(share.ring, RingHeadSize, f.get());
}

// Our write's stamp, taken before the lock goes: a fine one can be no other write's, and marked in the
// head it lets the others take the board at it without reading it. A coarse one is left to a locked read.
// The side file is then stamped just after the board, never with the board's own time (writes a few
// microseconds apart share a clock tick): a board stamped as the side file (`touch -r`) is not ours.
void markWritten(Share& share, const char* path, FILE* record) {
  files::Stamp written;
  if (!files::stamp(path, written) || written.coarse) return;
  markHead(share.nextRing, stampMark(written.size, written.modified));
  if (files::seekTo(record, RingOffset) && files::writeBlock(share.nextRing, RingHeadSize, record) == 1)
    files::setModified(record, written.modified + 1);
}

// The common start of both operations: the message and the board's path.
void startOperation(Share& share, const char* message, char (&boardPath)[SharePathSize + 1]) {
  share.lockedTickShown = false;
  status::showStatus(message);
  sharePath(share.boardPath, boardPath);
}

// The status line's time says how current the board on screen is: it moves only when the board was
// read whole (a failed attempt leaves the time of the last good read).
void boardIsCurrent(Share& share) {
  if (status::showsBoardTime()) text::formatStatusInfo(share.statusInfoText);
  status::boardRead();
}

// Whether the front end asked the wait for a busy lock to stop (from its own thread).
bool cancelled(const Share& share) { return __atomic_load_n(&share.cancelWait, __ATOMIC_ACQUIRE); }

// A wait the member stopped: said without a beep, since they asked for it.
int stopWaiting(Share& share) {
  __atomic_store_n(&share.cancelWait, false, __ATOMIC_RELEASE);
  status::showStatus("(203)待つのをやめました（読み書きしていません）");
  return 0;
}

// Waits ms in slices of a quarter second at most: true when the front end stopped the wait meanwhile.
bool waitUnlessCancelled(const Share& share, uint64_t ms) {
  while (ms > 0) {
    const unsigned slice = static_cast<unsigned>(ms < 250 ? ms : 250);
    text::waitMs(slice);
    ms -= slice;
    if (cancelled(share)) return true;
  }
  return false;
}

// Runs up to Attempts attempts, a jittered second apart; a final failure beeps. Within the second
// after a busy attempt the lock is tried again quietly (the attempt's message stays as it was), so
// the patience and the messages are those of twenty one-second attempts. The front end hears of each
// busy attempt and may stop the wait at any of its quarter-second pauses.
// With a single attempt (the timer's), a busy lock is left to the next tick without a beep.
template <typename Attempt>
int runAttempts(Share& share, Attempt attempt, int attempts = Attempts) {
  __atomic_store_n(&share.cancelWait, false, __ATOMIC_RELEASE);
  for (int i = 1; i <= attempts; ++i) {
    Outcome outcome = attempt(i, false);
    if (outcome == Outcome::busy && share.onBusy && attempts > 1) share.onBusy(share, i);
    const uint64_t next = platform::elapsedMs() + 1000 + text::spreadMs(50);
    while (outcome == Outcome::busy && i < attempts) {
      const uint64_t now = platform::elapsedMs();
      const uint64_t at = std::max(now + TryAgainMs + text::spreadMs(TryAgainSpreadMs), nextLockAskMs(share));
      // A quick try just before the attempt would only take the attempt's turn.
      if (at + TryAgainMs / 2 >= next) break;
      if (waitUnlessCancelled(share, at - now)) return stopWaiting(share);
      outcome = attempt(i, true);
    }
    if (outcome == Outcome::done) return 1;
    if (outcome == Outcome::stop) return 0;
    if (outcome == Outcome::changed) return RowChanged;
    if (outcome == Outcome::uncertain) return MayHaveLanded;
    if (outcome == Outcome::later) return ProofLater;
    if (i == attempts) {
      if (outcome == Outcome::busy && attempts == 1) return 0;
      break;
    }
    if (cancelled(share)) return stopWaiting(share);
    const uint64_t now = platform::elapsedMs(), at = std::max(next, nextLockAskMs(share));
    if (now < at && waitUnlessCancelled(share, at - now)) return stopWaiting(share);
  }
  status::beep();
  return 0;
}

// A successful access clears the status line, or says once that it went ahead without a lock, or
// (once a session) that it saved without the side file, which this account cannot write.
void finishAccess(Share& share) {
  share.troubleShown = false;
  boardIsCurrent(share);
  const bool sayRefused = share.sideFileRefused && !share.sideFileRefusedShown;
  status::showStatus(lockUnavailable(share) ? Unlocked : sayRefused ? NoSideFile : "");
  if (sayRefused) share.sideFileRefusedShown = true;
  share.sideFileRefused = false;
  releaseLock(share);
}

// Reads the whole image from an open board file into the zeroed share.scratch buffer. A short file reads
// as zeros; only the stream's error indicator counts as a failure.
bool readScratch(Share& share, FILE* f) {
  std::memset(share.scratch, 0, sizeof share.scratch);
  files::readBlock(share.scratch, sizeof share.scratch, f);
  return !files::hasError(f);
}

// Ends a failed write attempt: message, beep, close, release; the caller tries again.
Outcome failWriteAttempt(Share& share, const char* message, files::Handle& file) {
  status::showStatus(message);
  status::beep();
  file.close();
  releaseLock(share);
  return Outcome::retry;
}

void showBusyHolder(Share& share, int attempt) {
  // 255 bytes of holder name plus the fixed text always fit.
  char message[HolderSize + 64];
  std::snprintf(message, sizeof message, "(202)他のユーザ[%s]がファイルを使用中 (%d/%d)", share.holderName, attempt,
                Attempts);
  status::showStatus(message);
}

// Where this PC may not create the lock file, a save stops rather than write unlocked: the folder
// named, and what the administrator must allow.
void refuseUnlockedWrite(Share& share) {
  char folder[LockPathSize];
  if (!lockFolder(share, folder)) folder[0] = '\0';
  char message[LockPathSize + 200];
  std::snprintf(
      message, sizeof message,
      "(306)「%s」に排他ファイルを作成できないため書き込みを中止しました。管理者にこのフォルダでのファイルの作成と削除"
      "の許可を依頼してください",
      folder);
  status::showStatus(message);
  status::beep();
}

enum class Access { read, write };

// An attempt's lock: true to go ahead (ours, or none to be had here and a read); else the outcome to
// end on. A quick try (quiet) only tries the create.
bool takeLock(Share& share, Outcome& outcome, bool quick, Access access = Access::read) {
  // A save's busy message names nobody: its tries need not read who holds the lock.
  const int lock = acquireLock(share, quick                     ? LockTry::quick
                                      : access == Access::write ? LockTry::unnamed
                                                                : LockTry::full);
  share.lockWasBusy = lock == 0;
  if (lock > 0 && access == Access::write && lockUnavailable(share) && !share.writeWithoutLock) {
    refuseUnlockedWrite(share);
    outcome = Outcome::stop;
    return false;
  }
  if (lock > 0) return true;
  outcome = lock < 0 ? Outcome::stop : Outcome::busy;
  return false;
}

// A board file that does not open ends the operation at once: it is not a passing failure.
Outcome boardWillNotOpen(Share& share, const char* message) {
  status::showStatus(message);
  releaseLock(share);
  status::beep();
  return Outcome::stop;
}

// A board that opens for reading but not for writing is read-only to this PC (its attribute, or the
// share's rights): a different fix from a board that is not there at all.
const char* cannotUpdateMessage(const char* path) {
  return files::opens(path) ? "(206)掲示板ファイルに書き込めません（読み取り専用か、書き込みの権限がありません）"
                            : "(205)掲示板ファイルがオープンできません";
}

// Whether the board's stamp is older than our lock's, both the share's times: a later write must then
// carry another stamp. True too where there is no lock of ours to compare with.
bool pastItsTick(const Share& share, const char* path) {
  files::Stamp board, lock;
  const char* held = heldLockPath(share);
  return !held || !files::stamp(path, board) || !files::stamp(held, lock) || board.modified < lock.modified;
}

Outcome refreshAttempt(Share& share, const char* path, int attempt, bool quiet, bool mayWait) {
  Outcome outcome;
  if (!takeLock(share, outcome, quiet)) {
    if (outcome == Outcome::busy && !quiet) showBusyHolder(share, attempt);
    return outcome;
  }
  if (mayWait && !pastItsTick(share, path)) {
    releaseLock(share);
    return Outcome::later;
  }
  files::Handle file(files::openRead(path));
  if (!file) return boardWillNotOpen(share, "(105)掲示板ファイルがオープンできません");
  if (!readScratch(share, file.get())) {
    status::showStatus("(101)サーバーからの読み込みエラー");
    file.close();
    releaseLock(share);
    return Outcome::retry;
  }
  file.close();
  // A row torn by a crashed writer is shown as it was, and put back in the file when it can be.
  size_t tail = 0;
  bool understood = false;
  const bool settled =
      holdsLock(share) && settleRowRecord(path, share.scratch, nullptr, nullptr, share.ring, &tail, &understood);
  // The board's CRC, known without computing it at the stamp its head marks proven.
  const bool stamped = rememberBoard(share, path, settled);
  RingHead head{};
  const bool headSeen = readRingHead(share.ring, tail, head);
  const uint32_t crc =
      stamped && headSeen && head.proven && head.proven == stampMark(share.lastStamp.size, share.lastStamp.modified)
          ? head.boardCrc
          : crc32(share.scratch, BoardSize);
  ChangedRows rows;
  rows.count = -1;
  if (settled && understood && headSeen && crc != head.boardCrc) findChangedRows(share, share.ring, tail, rows);
  replaceImage(share, share.scratch);
  share.imageCrc = crc;
  share.ringSeen = headSeen;
  share.ringSeq = head.seq;
  share.ringCrc = head.boardCrc;
  // A side file this build does not understand is not written over by a read: its writer's to settle.
  const bool named = share.ringSeen && share.ringCrc == share.imageCrc;
  if (settled && understood && !named) nameBoard(share, path, tail, rows);
  if (settled && named && share.stampTrusted) markProven(share, path, tail);
  finishAccess(share);
  return Outcome::done;
}

enum class Undo { undone, readBack, unread };

// A failed write may be on the board all the same, whole or in part: the row is put back, and the
// board read again through a new handle once the old one has let go of whatever it still held.
// Only a row that reads as before counts as undone; else the image takes the board as read (or, if
// it cannot be read, the row as written) and the record stays for the next holder, who keeps a
// whole row and puts back a torn one.
Undo undoFailedWrite(Share& share, const char* path, files::Handle& file, FILE* record, uint32_t recordCrc, int slot,
                     const unsigned char* before, const unsigned char* after) {
  unsigned char* image = reinterpret_cast<unsigned char*>(&share.board);
  putRowBytes(image, slot, before);
  if (files::seekStart(file.get()) && files::writeBlock(image, BoardSize, file.get()) == 1) files::flush(file.get());
  file.close();
  files::Handle check(files::openRead(path));
  if (!check || !readScratch(share, check.get())) {
    putRowBytes(image, slot, after);
    return Undo::unread;
  }
  unsigned char row[RowBytes];
  rowBytesOf(share.scratch, slot, row);
  if (std::memcmp(row, before, RowBytes) == 0) {
    if (record) retireRowRecord(record, recordCrc);
    return Undo::undone;
  }
  replaceImage(share, share.scratch);
  return Undo::readBack;
}

// Never "failed" for a row that may be there: the list shows the board as read back, and the
// writer is told to look rather than to try again.
Outcome writeMayHaveLanded(Share& share, Undo undo) {
  share.stampTrusted = false;
  if (undo == Undo::readBack) boardIsCurrent(share);
  status::showStatus(Unconfirmed);
  status::beep();
  releaseLock(share);
  return Outcome::uncertain;
}

// Whether the slot's row in image reads as the texts given, field by field.
bool rowReads(const unsigned char* image, int slot, const RowTexts& seen) {
  const BoardImage& b = *reinterpret_cast<const BoardImage*>(image);
  const struct {
    Field field;
    const char* text;
  } fieldsSeen[] = {{Field::morning, seen.morning},
                    {Field::afternoon, seen.afternoon},
                    {Field::state, seen.state},
                    {Field::returnTime, seen.returnTime},
                    {Field::writtenAt, seen.written}};
  for (const auto& f : fieldsSeen) {
    char now[WrittenSize + 1];
    fieldTextOf(b, slot, f.field, now, sizeof now);
    if (std::strcmp(now, f.text) != 0) return false;
  }
  return true;
}

Outcome writeAttempt(Share& share, const char* path, int slot, const RowTexts& t, const RowTexts* seen, bool quiet) {
  Outcome outcome;
  if (!takeLock(share, outcome, quiet, Access::write)) {
    if (outcome == Outcome::busy && !quiet) status::showStatus("(201)他のユーザがファイルを使用中");
    return outcome;
  }
  files::Handle file(files::openUpdate(path));
  if (!file) return boardWillNotOpen(share, cannotUpdateMessage(path));
  // Every attempt re-reads the file, so a retry never writes stale rows of other members.
  if (!readScratch(share, file.get())) return failWriteAttempt(share, "(103)サーバーからの読み込みエラー", file);
  // Without a lock another client may be writing its own record: records are for lock holders.
  files::Handle record(holdsLock(share) ? openRowRecord(path) : nullptr);
  if (holdsLock(share) && !record) {
    char name[RecordPathSize];
    rowRecordPathFor(path, name);
    files::Stamp there;
    share.sideFileRefused = files::stamp(name, there);
  }
  size_t tail = 0;
  if (holdsLock(share) && !settleRowRecord(path, share.scratch, file.get(), record.get(), share.ring, &tail))
    return failWriteAttempt(share, WriteError, file);
  replaceImage(share, share.scratch);
  followImage(share, share.ring, tail);
  // Someone changed this row since the writer looked: theirs stays, and the image shows it.
  if (seen && !rowReads(share.scratch, slot, *seen)) {
    file.close();
    finishAccess(share);
    return Outcome::changed;
  }
  unsigned char before[RowBytes], after[RowBytes];
  rowBytesOf(share.scratch, slot, before);
  const uint32_t crcBefore = share.imageCrc;
  setRow(share, slot, t.morning, t.afternoon, t.state, t.returnTime, t.written);
  rowBytesOf(reinterpret_cast<const unsigned char*>(&share.board), slot, after);
  share.imageCrc = crc32(reinterpret_cast<const unsigned char*>(&share.board), BoardSize);
  // The change ring goes out with the record, in its one write: the other PCs follow this row from it.
  RowRecord r;
  makeRowRecord(r, slot, before, after);
  const uint32_t recordCrc = rowRecordCrc(r);
  if (record) {
    const size_t next =
        nextRingTail(share.ring, tail, rowRecordCrc(r), crcBefore, share.imageCrc, slot, before, after, share.nextRing);
    // A record that cannot be written (a full disk) does not stop the write itself.
    if (writeRowRecord(record.get(), r, share.nextRing, next)) {
      followRing(share, share.nextRing, next);
    } else {
      retireRowRecord(record.get(), recordCrc);
      record.close();
    }
  }
  if (!files::seekStart(file.get())) {
    if (record) retireRowRecord(record.get(), recordCrc);
    return failWriteAttempt(share, "(104)サーバーファイルシークエラー", file);
  }
  // The buffered tail must reach the file, or a failed write would be reported as success. The
  // record already on the device covers a write torn by a crash, so the board needs no commit.
  if (files::writeBlock(&share.board, BoardSize, file.get()) != 1 || !files::flushBuffered(file.get())) {
    const Undo undo = undoFailedWrite(share, path, file, record.get(), recordCrc, slot, before, after);
    // The ring's head names a board that may never be: the other PCs read the board instead.
    unsigned char none[4] = {};
    if (record && files::seekTo(record.get(), RingOffset)) files::writeBlock(none, sizeof none, record.get());
    record.close();
    share.imageCrc = crc32(reinterpret_cast<const unsigned char*>(&share.board), BoardSize);
    share.ringSeen = false;
    if (undo == Undo::undone) return failWriteAttempt(share, WriteError, file);
    return writeMayHaveLanded(share, undo);
  }
  file.close();
  if (record) {
    retireRowRecord(record.get(), recordCrc);
    markWritten(share, path, record.get());
  }
  record.close();
  // Our own write is newer than our lock, so its time could not be trusted: the next look reads.
  share.stampTrusted = false;
  finishAccess(share);
  return Outcome::done;
}

// The locked read, with the patience asked for. mayWait: a coarse board stamped no earlier than our lock
// is left unread (ProofLater), since a read now would prove nothing the look does not know already.
int lockedRefresh(Share& share, char (&path)[SharePathSize + 1], int attempts, bool mayWait = false) {
  startOperation(share, "サーバーアクセス中..", path);
  const int read = runAttempts(
      share, [&](int attempt, bool quiet) { return refreshAttempt(share, path, attempt, quiet, mayWait); }, attempts);
  if (!read) share.troubleShown = true;
  return read;
}

// The timer's look without the lock. What it shows is proven by content: the entries of the change
// ring that lead from the image's CRC to the head's, or a whole board whose CRC is the head's or the
// image's. File times only say when to look again; a board the ring cannot account for (an older
// client's write, a crash's torn row) is left to the locked read.
// none: no side file; damaged: one that does not read as a record and its ring (a torn read while a
// writer rewrites it, a client that wrote the record alone); writing: a write of ours under way;
// moved: the ring has changes the image cannot follow to its head.
enum class Ring { none, damaged, writing, unchanged, applied, moved };

uint32_t littleEndian32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// The image is the board after the head's change: the ring is followed from there.
void followHead(Share& share, const RingHead& head) {
  share.ringSeen = true;
  share.ringSeq = head.seq;
  share.ringCrc = head.boardCrc;
}

// Reads the record's state and the ring's head (a few dozen bytes), then the entries the image lacks,
// and applies them when they lead from the image to the head.
Ring lookAtRing(Share& share, const char* path, RingHead& head) {
  char name[RecordPathSize];
  rowRecordPathFor(path, name);
  files::Handle f(files::openReadSharingDelete(name));
  if (!f) return Ring::none;
  files::unbuffered(f.get());
  unsigned char start[8], at[4 + RingHeadSize];
  if (files::readBlock(start, sizeof start, f.get()) != sizeof start || !files::seekTo(f.get(), RecordCrcOffset) ||
      files::readBlock(at, sizeof at, f.get()) != sizeof at || files::hasError(f.get()))
    return Ring::damaged;
  if (std::memcmp(start, "TVR1", 4) != 0 || !readRingHead(at + 4, RingHeadSize, head) ||
      head.recordCrc != littleEndian32(at))
    return Ring::damaged;
  const uint8_t state = recordState(start[4], start[5], head.recordCrc);
  if (state == RecordUnknown) return Ring::damaged;
  if (state != RecordDone) return Ring::writing;
  if (head.boardCrc == share.imageCrc ||
      (share.ringSeen && head.seq == share.ringSeq && head.boardCrc == share.ringCrc))
    return Ring::unchanged;
  const uint32_t since = head.seq - share.ringSeq;
  const int need = share.ringSeen && since <= static_cast<uint32_t>(head.count) ? static_cast<int>(since) : head.count;
  const size_t size = ringEntryBytes(head, need);
  if (need < 1 || files::readBlock(share.ring, size, f.get()) != size || files::hasError(f.get())) return Ring::moved;
  f.close();
  // Without a head seen before, every entry is read and the image's own CRC finds where to start.
  const int from = share.ringSeen ? need : ringEntriesFrom(head, share.ring, size, share.imageCrc);
  std::memcpy(share.scratch, &share.board, BoardSize);
  if (from < 1 || !applyRingEntries(head, share.ring, size, from, share.imageCrc, share.scratch)) return Ring::moved;
  replaceImage(share, share.scratch);
  share.imageCrc = head.boardCrc;
  followHead(share, head);
  return Ring::applied;
}

// The board read whole without the lock, kept only when its bytes are a board a writer of ours left
// whole (the head's) or the one already shown: a read torn by a write matches neither.
enum class Proven { no, head, image };

Proven provenRead(Share& share, const char* path, const RingHead& head) {
  files::Handle f(files::openRead(path));
  if (!f || !readScratch(share, f.get())) return Proven::no;
  f.close();
  const uint32_t crc = crc32(share.scratch, BoardSize);
  if (crc == head.boardCrc) {
    replaceImage(share, share.scratch);
    share.imageCrc = crc;
    followHead(share, head);
    return Proven::head;
  }
  return crc == share.imageCrc ? Proven::image : Proven::no;
}

// What the look saw is the board: its stamp is the one to compare with next time.
void sawBoard(Share& share, const files::Stamp& board) {
  share.lastStamp = board;
  share.stampTrusted = true;
}

// A tick kept from reading by another client's lock says whose it is and since when, as a refresh's
// (202) does: a lock left behind shows on every idle PC, and the old-board warning that follows has
// its reason beside it. The time is the lock file's, on this PC's clock.
void showLockedTick(Share& share, const char* lock) {
  char since[text::WrittenAtSize + 16] = "開始時刻不明";
  long long age = 0;
  std::tm t;
  platform::localNow(&t);
  if (files::ageSeconds(lock, &age) && age >= 0) {
    t.tm_min -= static_cast<int>(age / 60);
    t.tm_sec -= static_cast<int>(age % 60);
    t.tm_isdst = -1;
    if (std::mktime(&t) != static_cast<std::time_t>(-1)) {
      char when[text::WrittenAtSize];
      text::formatWrittenAt(when, sizeof when, t);
      std::snprintf(since, sizeof since, "%sから", when);
    }
  }
  char message[HolderSize + sizeof since + 64];
  std::snprintf(message, sizeof message, "(202)他のユーザ[%s]がファイルを使用中（%s）", share.holderName, since);
  status::showStatus(message);
  share.lockedTickShown = true;
}

// The timer's locked read: one attempt, a busy lock said as a skipped tick. mayWait: see lockedRefresh.
int tickUnderLock(Share& share, char (&path)[SharePathSize + 1], const char* lock, bool mayWait = false) {
  const int read = lockedRefresh(share, path, 1, mayWait);
  if (!read && share.lockWasBusy) showLockedTick(share, lock);
  return read;
}

// A lock stands where the tick looked: named, unless it went meanwhile, when the board is read now.
int lockedTick(Share& share, char (&path)[SharePathSize + 1], const char* lock) {
  if (!lookAtHolder(share)) return tickUnderLock(share, path, lock);
  showLockedTick(share, lock);
  return 0;
}

// deferred: a timer's look before this one left the proof of a coarse stamp to it.
int look(Share& share, char (&path)[SharePathSize + 1], const char* lock, WhenLocked whenLocked, bool again,
         bool deferred);

// A lock stands on a share without the ring: named as the timer has always named it, or nothing.
int namedTick(Share& share, char (&path)[SharePathSize + 1], const char* lock, WhenLocked whenLocked) {
  return whenLocked == WhenLocked::named ? lockedTick(share, path, lock) : 0;
}

// A lock stands while the ring is kept: its holder is named, unless the look is to stay quiet. A lock
// gone meanwhile is a write just ended, which the ring tells: it is looked at once more rather than the
// board read under the lock.
int heldLook(Share& share, char (&path)[SharePathSize + 1], const char* lock, WhenLocked whenLocked, bool again,
             bool deferred) {
  files::Stamp seen;
  if (whenLocked == WhenLocked::quiet && files::stamp(lock, seen)) return 0;
  if (whenLocked == WhenLocked::named && lookAtHolder(share)) {
    showLockedTick(share, lock);
    return 0;
  }
  return again ? look(share, path, lock, whenLocked, false, deferred) : 0;
}

int look(Share& share, char (&path)[SharePathSize + 1], const char* lock, WhenLocked whenLocked, bool again,
         bool deferred) {
  files::Stamp now, seen;
  RingHead head;
  const Ring ring = lookAtRing(share, path, head);
  // What a writer of ours may be in the middle of: its holder is named, and once its lock is gone the
  // ring is looked at once more. Still so without a lock: a crash's, or a client's that keeps no ring.
  if (ring == Ring::writing || ring == Ring::damaged || ring == Ring::moved) {
    if (files::stamp(lock, seen)) return heldLook(share, path, lock, whenLocked, again, deferred);
    if (again) return look(share, path, lock, whenLocked, false, deferred);
  }
  if (!files::stamp(path, now)) return lockedRefresh(share, path, Attempts);
  const bool unchanged = share.stampTrusted && now == share.lastStamp;
  bool shown = false, proven = false, later = false;
  const uint32_t shownCrc = share.imageCrc;
  switch (ring) {
    // Content decides: the board is the head's only at a stamp a proof left (our own read, or the mark a
    // writer or a locked read put in the head). Any other stamp, newer, equal or older than the side
    // file's, may be an older client's write, and the board is read.
    case Ring::applied:
    case Ring::unchanged:
      shown = ring == Ring::applied;
      if (unchanged || (head.proven && head.proven == stampMark(now.size, now.modified))) {
        proven = true;
        break;
      }
      // On a coarse share a read without the lock proves nothing for later (a write in the same tick
      // keeps the stamp), nor does a locked one made within the tick. A folder watch's look shows the
      // head. A timer's reads under the lock once the tick has passed and leaves its mark for the others;
      // within it, the timer's shows the head and leaves the proof to the look after it (a few seconds
      // on), which reads whatever the tick.
      if (now.coarse) {
        if (whenLocked == WhenLocked::quiet) break;
        if (files::stamp(lock, seen)) return heldLook(share, path, lock, whenLocked, again, deferred);
        // A board the ring has not moved since a proof was written outside it (an older client): it is
        // read now, to be shown, and named for the others.
        const bool outside = ring == Ring::unchanged && (share.stampTrusted || head.proven);
        const int read = tickUnderLock(share, path, lock, !deferred && !outside);
        if (read != ProofLater) return read;
        share.proofDeferred = later = true;
        break;
      }
      // A head marked with another stamp: the board was written since by a client that keeps no ring.
      if (head.proven)
        return files::stamp(lock, seen) ? heldLook(share, path, lock, whenLocked, again, deferred)
                                        : tickUnderLock(share, path, lock);
      [[fallthrough]];
    case Ring::moved:
      switch (provenRead(share, path, head)) {
        case Proven::no: return tickUnderLock(share, path, lock);
        case Proven::head:
          shown = shown || share.imageCrc != shownCrc;
          proven = !now.coarse;
          break;
        case Proven::image: break;  // the head's write not yet on the board: followed later
      }
      break;
    case Ring::none:
    case Ring::damaged:
      if (unchanged) break;
      if (files::stamp(lock, seen)) return namedTick(share, path, lock, whenLocked);
      [[fallthrough]];
    case Ring::writing: return tickUnderLock(share, path, lock);
  }
  if (ring == Ring::unchanged) followHead(share, head);
  const bool ringKept = ring != Ring::none && ring != Ring::damaged;
  // An image the ring moved is no longer the board at the stamp last proven.
  if (proven)
    sawBoard(share, now);
  else if (shown)
    share.stampTrusted = false;
  // Unchanged, but not current while a lock stands: one left behind keeps every PC from reading.
  if (!shown && files::stamp(lock, seen))
    return ringKept ? heldLook(share, path, lock, whenLocked, again, deferred)
                    : namedTick(share, path, lock, whenLocked);
  // A failure's message goes with the share's return, though the board itself did not change.
  if (shown || later || share.lockedTickShown || share.troubleShown) status::showStatus("");
  share.lockedTickShown = false;
  share.troubleShown = false;
  boardIsCurrent(share);
  return 1;
}

}  // namespace

int refreshBoard(Share& share) {
  if (share.memberCount == 0) return 0;
  char path[SharePathSize + 1];
  return lockedRefresh(share, path, Attempts);
}

int refreshIfChanged(Share& share) { return refreshIfChanged(share, WhenLocked::named); }

int refreshIfChanged(Share& share, WhenLocked whenLocked) {
  if (share.memberCount == 0) return 0;
  // A deferred proof waits one named look, never more.
  const bool deferred = share.proofDeferred;
  if (whenLocked == WhenLocked::named) share.proofDeferred = false;
  char path[SharePathSize + 1];
  sharePath(share.boardPath, path);
  char lock[LockPathSize];
  if (lockPathFor(path, sizeof path, lock) != LockPath::ok) return lockedRefresh(share, path, 1);
  return look(share, path, lock, whenLocked, true, deferred);
}

void forgetBoardStamp(Share& share) {
  share.stampTrusted = false;
  share.proofDeferred = false;
  share.ringSeen = false;
  share.lockedTickShown = false;
}

long long lockedBoardSize(Share& share) {
  char path[SharePathSize + 1];
  sharePath(share.boardPath, path);
  long long size = -1;
  runAttempts(share, [&](int attempt, bool quiet) {
    Outcome outcome;
    if (!takeLock(share, outcome, quiet)) {
      if (outcome == Outcome::busy && !quiet) showBusyHolder(share, attempt);
      return outcome;
    }
    files::Stamp seen;
    if (files::stamp(path, seen)) size = seen.size;
    releaseLock(share);
    return Outcome::done;
  });
  return size;
}

int writeRow(Share& share, int slot, const RowTexts& texts, const RowTexts* seen) {
  if (share.memberCount == 0 || slot < 0 || slot >= MaxMembers) return 0;
  char path[SharePathSize + 1];
  startOperation(share, "サーバーアクセス中", path);
  const int saved =
      runAttempts(share, [&](int, bool quiet) { return writeAttempt(share, path, slot, texts, seen, quiet); });
  if (saved == 0 || saved == MayHaveLanded) share.troubleShown = true;
  return saved;
}

}  // namespace store
