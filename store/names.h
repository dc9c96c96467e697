#pragma once
// The name list: who is on the board and in which order (the n-th name owns slot n-1).
#include <cstddef>

namespace store {

constexpr size_t NameListWindow = 32768;  // only this many bytes of the file are read
constexpr size_t NameLimit = 63;          // longest name kept, in bytes

extern int memberCount;

// Clears the board, then reads nameListPath with up to 20 attempts (a jittered second between them).
// 1 when the file was opened (even if empty), 0 when it could not be opened.
int loadNameList();

// The parse itself, on bytes already read: fills boardNames and displayNames, sets memberCount.
void parseNameList(const unsigned char* bytes, size_t count);

}  // namespace store
