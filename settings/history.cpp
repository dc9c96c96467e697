#include "settings/history.h"

#include <cstring>

#include "platform/files.h"
#include "settings/preferences.h"
#include "text/bounded.h"

namespace settings {

namespace {

// The history lives with the preferences; before any are saved, wherever one stands.
FILE* openHistory(const Local& local) {
  const auto& historyPaths = local.historyPaths;
  const int recordsPlace = local.recordsPlace;
  auto tryOpen = [](const char* path) -> FILE* { return path[0] ? files::openRead(path) : nullptr; };
  if (recordsPlace >= 0) return tryOpen(historyPaths[recordsPlace]);
  for (int place = placeCurrent + 1; place < PlaceCount; ++place)
    if (FILE* f = tryOpen(historyPaths[place])) return f;
  return tryOpen(historyPaths[placeCurrent]);
}

}  // namespace

void loadHistory(EntryHistory& history, const Local& local) {
  files::Handle file(openHistory(local));
  if (file) files::readBlock(&history, sizeof history, file.get());
}

void saveHistory(const EntryHistory& history, Local& local) {
  saveLocalRecord(local, local.historyPaths, &history, sizeof history);
}

void addToHistory(EntryHistory& history, const char* text) {
  if (!text[0]) return;
  char candidates[HistorySlots][HistoryTextSize];
  text::storeText(candidates[0], HistoryTextSize, text);
  for (int i = 1; i < HistorySlots; ++i) text::copyField(candidates[i], history.texts[i - 1]);

  std::memset(&history, 0, sizeof history);
  int next = 0;
  for (int i = 0; i < HistorySlots; ++i) {
    bool seen = false;
    for (int j = 0; j < i && !seen; ++j) seen = std::strcmp(candidates[i], candidates[j]) == 0;
    if (!seen) std::memcpy(history.texts[next++], candidates[i], std::strlen(candidates[i]) + 1);
  }
}

void historyText(const EntryHistory& history, int slot, char (&out)[HistoryTextSize + 1]) {
  text::copyField(out, sizeof out, history.texts[slot], HistoryTextSize);
}

}  // namespace settings
