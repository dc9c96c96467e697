#include "store/access.h"

#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/status.h"
#include "settings/preferences.h"
#include "store/board.h"
#include "store/journal.h"
#include "store/lock.h"
#include "store/names.h"
#include "text/waits.h"

namespace store {

int selectedRow = -1;

namespace {

// One scratch image per operation; the process is single-threaded and the operations do not nest.
unsigned char scratch[BoardSize];

// The common start of both operations: the message, the time of this access, the board's path.
void startOperation(const char* message, char (&boardPath)[settings::PathSize + 1]) {
  status::showStatus(message);
  if (status::hasStatusBar()) text::formatStatusInfo();
  settings::pathText(settings::prefs.boardPath, boardPath);
}

// The start of every attempt: the wait before all but the first, then the lock.
// 1: ours to go ahead; 0: busy; -1: the lock cannot be placed, the operation ends.
int beginAttempt(int attempt) {
  if (attempt > 1) text::waitJittered(1000);
  return acquireLock();
}

// Reads the whole image from an open board file into the zeroed scratch buffer. A short file reads
// as zeros; only the stream's error indicator counts as a failure.
bool readScratch(FILE* f) {
  std::memset(scratch, 0, sizeof scratch);
  files::readBlock(scratch, sizeof scratch, f);
  return !files::hasError(f);
}

// Ends a failed write attempt: message, beep, close, release; the caller tries again.
void failWriteAttempt(const char* message, files::Handle& file) {
  status::showStatus(message);
  status::beep();
  file.close();
  releaseLock();
}

constexpr char WriteError[] = "(106)サーバーへの書き込みエラー";

void showBusyHolder(int attempt) {
  // 255 bytes of holder name plus the fixed text always fit.
  char message[HolderSize + 64];
  std::snprintf(message, sizeof message, "(202)他のユーザ[%s]がファイルを使用中 (%d/%d)", holderName, attempt, Attempts);
  status::showStatus(message);
}

}  // namespace

int refreshBoard() {
  if (memberCount == 0) return 0;
  char path[settings::PathSize + 1];
  startOperation("サーバーアクセス中..", path);

  for (int attempt = 1; attempt <= Attempts; ++attempt) {
    const int lock = beginAttempt(attempt);
    if (lock < 0) return 0;
    if (lock == 0) {
      showBusyHolder(attempt);
      continue;
    }
    // A write torn by a crash is finished before anyone reads; a reader that cannot apply it
    // still reads the board as it stands.
    if (holdsLock()) recoverJournal(path);
    files::Handle file(files::openRead(path));
    if (!file) {
      status::showStatus("(105)掲示板ファイルがオープンできません");
      releaseLock();
      status::beep();
      return 0;
    }
    if (!readScratch(file.get())) {
      status::showStatus("(101)サーバーからの読み込みエラー");
      file.close();
      releaseLock();
      continue;
    }
    replaceImage(scratch);
    file.close();
    status::showStatus("");
    releaseLock();
    return 1;
  }
  status::beep();
  return 0;
}

int writeRow(const char* morning, const char* afternoon, const char* state, const char* returnTime,
             const char* written) {
  if (memberCount == 0 || selectedRow < 0 || selectedRow >= MaxMembers) return 0;
  char path[settings::PathSize + 1];
  startOperation("サーバーアクセス中", path);

  for (int attempt = 1; attempt <= Attempts; ++attempt) {
    const int lock = beginAttempt(attempt);
    if (lock < 0) return 0;
    if (lock == 0) {
      status::showStatus("(201)他のユーザがファイルを使用中");
      continue;
    }
    files::Handle file(nullptr);
    if (holdsLock() && !recoverJournal(path)) {
      failWriteAttempt(WriteError, file);
      continue;
    }
    file.reset(files::openUpdate(path));
    if (!file) {
      status::showStatus("(205)掲示板ファイルがオープンできません");
      releaseLock();
      status::beep();
      return 0;
    }
    // Every attempt re-reads the file, so a retry never writes stale rows of other members.
    if (!readScratch(file.get())) {
      failWriteAttempt("(103)サーバーからの読み込みエラー", file);
      continue;
    }
    replaceImage(scratch);
    setRow(selectedRow, morning, afternoon, state, returnTime, written);
    const Journal journal = holdsLock() ? writeJournal(path, board) : Journal::notCreated;
    if (journal == Journal::failed) {
      failWriteAttempt(WriteError, file);
      continue;
    }
    if (!files::seekStart(file.get())) {
      // The board is untouched: the side file must not land this row after a reported failure.
      if (journal == Journal::written) discardJournal(path);
      failWriteAttempt("(104)サーバーファイルシークエラー", file);
      continue;
    }
    // The board must be on the device before its side file goes; without one, the buffered tail
    // must at least reach the file, or a failed write would be reported as success.
    const bool stored = files::writeBlock(&board, BoardSize, file.get()) == 1 &&
                        (journal == Journal::written ? files::flush(file.get()) : files::flushBuffered(file.get()));
    if (!stored) {
      failWriteAttempt(WriteError, file);
      continue;
    }
    file.close();
    if (journal == Journal::written) discardJournal(path);
    status::showStatus("");
    releaseLock();
    return 1;
  }
  status::beep();
  return 0;
}

}  // namespace store
