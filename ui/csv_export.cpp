#include "ui/csv_export.h"

#include <commdlg.h>

#include <cstdio>
#include <ctime>

#include "platform/files.h"
#include "platform/status.h"
#include "platform/system.h"
#include "platform/system_library.h"
#include "report/report.h"
#include "store/access.h"
#include "store/board.h"
#include "store/names.h"
#include "ui/board_access.h"
#include "ui/main_window.h"
#include "ui/session.h"

namespace ui {

namespace {

// A name with today's date, in the folder the dialog last showed.
bool chooseCsvPath(HWND owner, char (&path)[MAX_PATH]) {
  std::tm now = {};
  platform::localNow(&now);
  std::snprintf(path, sizeof path, "tavelin-%04d%02d%02d.csv", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = "CSV ファイル (*.csv)\0*.csv\0すべてのﾌｧｲﾙ (*.*)\0*.*\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  ofn.lpstrTitle = "CSV で保存";
  ofn.lpstrDefExt = "csv";
  // The current folder stays where the program started: its records may live there.
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  static const auto save = platform::systemFunction<decltype(&GetSaveFileNameA)>("comdlg32.dll", "GetSaveFileNameA");
  return save && save(&ofn) != 0;
}

// Flushed before it is closed, so a full disk is seen, not reported as saved.
bool writeCsv(const char* path) {
  files::Handle file(files::openWrite(path));
  if (!file) return false;
  static const unsigned char Bom[] = {0xEF, 0xBB, 0xBF};
  files::writeBlock(Bom, sizeof Bom, file.get());
  report::Rows rows = {&share().board, share().displayNames, share().memberCount, false, {}};
  platform::localNow(&rows.now);
  report::printCsv(file.get(), rows);
  return files::flushBuffered(file.get()) && !files::hasError(file.get());
}

// A board that could not be read is saved as last read, and the message says so.
void reportSaved(const char* path, bool saved, bool current) {
  const char* format = !saved ? "(501)CSVファイルを書き込めません（%s）"
                       : !current ? "(502)ボードを読めないため、前回読んだ内容を保存しました（%s）"
                                  : "CSV を保存しました（%s）";
  char message[MAX_PATH + 96];
  std::snprintf(message, sizeof message, format, path);
  status::showStatus(message);
  if (!saved || !current) status::beep();
}

}  // namespace

// The board is read first, so the file holds what the share holds now.
void exportCsv(HWND window) {
  char path[MAX_PATH];
  if (!chooseCsvPath(window, path)) return;
  BoardAccess access(window);
  if (!access.started()) return holdOff();
  const bool current = store::refreshBoard(share()) != 0;
  repaintFromImage(window);
  reportSaved(path, writeCsv(path), current);
}

}  // namespace ui
