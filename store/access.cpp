#include "store/access.h"

#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/status.h"
#include "settings/preferences.h"
#include "store/board.h"
#include "store/lock.h"
#include "store/names.h"
#include "text/waits.h"

namespace store {

int selectedRow = -1;

namespace {

// One scratch image per operation; the process is single-threaded and the operations do not nest.
unsigned char scratch[BoardSize];

void startOperation(const char* message) {
  status::showStatus(message);
  if (status::hasStatusBar()) text::formatStatusInfo();
}

// Reads the whole image from an open board file into the zeroed scratch buffer. A short file reads
// as zeros; only the stream's error indicator counts as a failure.
bool readScratch(FILE* f) {
  std::memset(scratch, 0, sizeof scratch);
  files::readBlock(scratch, sizeof scratch, f);
  return !files::hasError(f);
}

void showBusyHolder(int attempt) {
  // 255 bytes of holder name plus the fixed text always fit.
  char message[HolderSize + 64];
  std::snprintf(message, sizeof message, "(202)他のユーザ[%s]がファイルを使用中 (%d/%d)", holderName, attempt, Attempts);
  status::showStatus(message);
}

}  // namespace

int refreshBoard() {
  if (memberCount == 0) return 0;
  startOperation("サーバーアクセス中..");
  char path[settings::PathSize + 1];
  settings::pathText(settings::prefs.boardPath, path);

  for (int attempt = 1; attempt <= Attempts; ++attempt) {
    if (attempt > 1) text::waitJittered(1000);
    const int lock = acquireLock();
    if (lock < 0) return 0;
    if (lock == 0) {
      showBusyHolder(attempt);
      continue;
    }
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
  startOperation("サーバーアクセス中");
  char path[settings::PathSize + 1];
  settings::pathText(settings::prefs.boardPath, path);

  for (int attempt = 1; attempt <= Attempts; ++attempt) {
    if (attempt > 1) text::waitJittered(1000);
    const int lock = acquireLock();
    if (lock < 0) return 0;
    if (lock == 0) {
      status::showStatus("(201)他のユーザがファイルを使用中");
      continue;
    }
    files::Handle file(files::openUpdate(path));
    if (!file) {
      status::showStatus("(205)掲示板ファイルがオープンできません");
      releaseLock();
      status::beep();
      return 0;
    }
    // Every attempt re-reads the file, so a retry never writes stale rows of other members.
    if (!readScratch(file.get())) {
      status::showStatus("(103)サーバーからの読み込みエラー");
      status::beep();
      file.close();
      releaseLock();
      continue;
    }
    replaceImage(scratch);
    setRow(selectedRow, morning, afternoon, state, returnTime, written);
    if (!files::seekStart(file.get())) {
      status::showStatus("(104)サーバーファイルシークエラー");
      status::beep();
      file.close();
      releaseLock();
      continue;
    }
    // The buffered tail must reach the file too, or a failed write would be reported as success.
    if (files::writeBlock(&board, BoardSize, file.get()) != 1 || !files::flushBuffered(file.get())) {
      status::showStatus("(106)サーバーへの書き込みエラー");
      status::beep();
      file.close();
      releaseLock();
      continue;
    }
    file.close();
    status::showStatus("");
    releaseLock();
    return 1;
  }
  status::beep();
  return 0;
}

}  // namespace store
