#pragma once
// The name list: who is on the board and in which order (the n-th name owns slot n-1).
#include <cstddef>

namespace store {

constexpr size_t NameListWindow = 32768;  // only this many bytes of the file are read
constexpr size_t NameLimit = 63;          // longest name kept, in bytes

struct Share;

// Clears the board, then reads nameListPath with up to 20 attempts (a jittered second between them;
// fewer when asked, as a timer that must not hold the window does). 1 when the file was opened (even
// if empty), 0 when it could not be opened.
int loadNameList(Share& share, int attempts = 20);

// Whether the name list on the share is not the one loaded: none was loaded, or its size or time
// written changed since (one metadata query). The rows follow the list, so a changed list is
// reloaded before the board. False when the share cannot be asked.
bool nameListChanged(Share& share);

// The parse itself, on bytes already read: fills boardNames and displayNames, sets memberCount, and
// namesIgnored (the names past MaxMembers) for the front end to tell.
void parseNameList(Share& share, const unsigned char* bytes, size_t count);

// One name as the parse collects it, before it is cut and stored.
struct ScannedName {
  unsigned char bytes[NameLimit + 1];  // the first bytes collected: only these can reach a slot
  size_t length;                       // every byte collected (CR, LF and TAB are dropped)
  bool ended;                          // closed by ';'; otherwise the bytes ran out and it is no name
};

// Collects the name that starts at pos and moves pos past its ';'. False when no byte is left.
// parseNameList is this scan; a checker that wants to know what was cut or dropped uses it too.
bool scanName(const unsigned char* bytes, size_t count, size_t& pos, ScannedName& out);

}  // namespace store
