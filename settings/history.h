#pragma once
// The last 20 distinct plan texts entered on this PC, newest first, kept in a 2,400-byte local file.
#include <cstddef>

namespace settings {

constexpr int HistorySlots = 20;
constexpr size_t HistoryTextSize = 120;

struct EntryHistory {
  char texts[HistorySlots][HistoryTextSize];
};
static_assert(sizeof(EntryHistory) == 2400, "the history file is the record byte for byte");

struct Local;

// The history lives where the preferences do (local says where); loading reads over what is held.
void loadHistory(EntryHistory& history, const Local& local);
void saveHistory(const EntryHistory& history, Local& local);
// Moves text to the front; an older copy and duplicates already present collapse.
void addToHistory(EntryHistory& history, const char* text);

// Slot i as a NUL-terminated text, bounded by its 120 bytes; empty slots are to be skipped by readers.
void historyText(const EntryHistory& history, int slot, char (&out)[HistoryTextSize + 1]);

}  // namespace settings
