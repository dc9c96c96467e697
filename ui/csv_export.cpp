#include "ui/csv_export.h"

#include <commdlg.h>

#include <cstdio>
#include <ctime>

#include "platform/system.h"
#include "platform/system_library.h"
#include "ui/share_worker.h"

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

}  // namespace

// The worker reads the board first, so the file holds what the share holds now, and says how it went.
void exportCsv(HWND window) {
  Request csv;
  csv.job = Job::csv;
  if (!chooseCsvPath(window, csv.path)) return;
  if (!postRequest(csv)) MessageBeep(0);
}

}  // namespace ui
