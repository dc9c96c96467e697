#pragma once
// The shared board: one fixed 192,000-byte image, the same bytes in memory and in the board file.
#include <cstddef>

namespace store {

constexpr int MaxMembers = 300;
constexpr size_t NameSize = 64;
constexpr size_t PlanSize = 120;
constexpr size_t StateSize = 16;
constexpr size_t ReturnTimeSize = 64;
constexpr size_t WrittenSize = 256;

struct ScheduleEntry {
  char morning[PlanSize];
  char afternoon[PlanSize];
  char state[StateSize];
};

struct BoardImage {
  char boardNames[MaxMembers][NameSize];
  ScheduleEntry entries[MaxMembers];
  char returnTimes[MaxMembers][ReturnTimeSize];
  char writtenAt[MaxMembers][WrittenSize];
};

static_assert(sizeof(ScheduleEntry) == 256, "entry layout is part of the file format");
static_assert(offsetof(ScheduleEntry, morning) == 0, "entry layout");
static_assert(offsetof(ScheduleEntry, afternoon) == 120, "entry layout");
static_assert(offsetof(ScheduleEntry, state) == 240, "entry layout");
static_assert(sizeof(BoardImage) == 192000, "the board file is exactly the image");
static_assert(offsetof(BoardImage, boardNames) == 0, "board layout");
static_assert(offsetof(BoardImage, entries) == 19200, "board layout");
static_assert(offsetof(BoardImage, returnTimes) == 96000, "board layout");
static_assert(offsetof(BoardImage, writtenAt) == 115200, "board layout");

constexpr size_t BoardSize = sizeof(BoardImage);

struct Share;

// The five fields of a row, and the name, in the order of the list's columns.
enum class Field { name, morning, afternoon, returnTime, state, writtenAt };
constexpr int FieldCount = 6;

// Everything the program knows of a field, in one place: where it lies in the image, how long a
// text it holds, and what the list, the CLI's table and its JSON call it.
struct FieldInfo {
  const char* header;  // CP932
  const char* jsonKey;
  size_t offset;      // of slot 0's field in the image
  size_t stride;      // from one slot's field to the next
  size_t size;        // bytes in the file, the NUL included
  size_t inputLimit;  // the longest text the entry dialog takes, in bytes; 0: not typed
};
// Indexed by Field, in the order of the list's columns. The dialog's limits are one byte short of
// each field's room, as the dialog has always read its fields.
inline constexpr FieldInfo fields[FieldCount] = {
    {"氏名(電話)", "name", offsetof(BoardImage, boardNames), NameSize, NameSize, 0},
    {"午前", "morning", offsetof(BoardImage, entries) + offsetof(ScheduleEntry, morning), sizeof(ScheduleEntry),
     PlanSize, PlanSize - 2},
    {"午後", "afternoon", offsetof(BoardImage, entries) + offsetof(ScheduleEntry, afternoon), sizeof(ScheduleEntry),
     PlanSize, PlanSize - 2},
    {"帰社予定", "returnTime", offsetof(BoardImage, returnTimes), ReturnTimeSize, ReturnTimeSize, ReturnTimeSize - 2},
    {"状態", "state", offsetof(BoardImage, entries) + offsetof(ScheduleEntry, state), sizeof(ScheduleEntry), StateSize,
     StateSize - 2},
    {"書き込み時間", "writtenAt", offsetof(BoardImage, writtenAt), WrittenSize, WrittenSize, 0},
};
constexpr const FieldInfo& fieldInfo(Field f) { return fields[static_cast<int>(f)]; }

// The share's image, and its display names with it.
void clearBoard(Share& share);
void replaceImage(Share& share, const unsigned char* buffer);
// Copies each text with its NUL into the slot; the caller guarantees the lengths (119, 119, 15, 63, 255).
void setRow(Share& share, int slot, const char* morning, const char* afternoon, const char* state,
            const char* returnTime, const char* written);

// The raw field of a slot and its size; readers must stay within the size.
const char* fieldBytes(const Share& share, int slot, Field field);
const char* fieldBytesOf(const BoardImage& image, int slot, Field field);
inline char* fieldBytesOf(BoardImage& image, int slot, Field field) {
  return const_cast<char*>(fieldBytesOf(static_cast<const BoardImage&>(image), slot, field));
}
size_t fieldSize(Field field);
// The field's text copied into out, bounded by the field's size and by outSize.
size_t fieldText(const Share& share, int slot, Field field, char* out, size_t outSize);
// The same from another image (a copy of what a list shows, say).
size_t fieldTextOf(const BoardImage& image, int slot, Field field, char* out, size_t outSize);
// Whether any of the six fields of the slot is non-empty.
bool rowHasText(const BoardImage& image, int slot);

}  // namespace store
