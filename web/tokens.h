#pragma once
// The members' personal links: one random token per member in a file only its owner reads
// (TOKEN<TAB>NAME lines, UTF-8), looked up in constant time, and each token's pace of writes.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "store/board.h"

namespace store {
struct Share;
}

namespace web {

// 20 bytes from the system's secure generator, as 40 hexadecimal digits.
constexpr size_t TokenBytes = 20;
constexpr size_t TokenChars = TokenBytes * 2;
constexpr int WritesPerMinute = 30;

struct Token {
  char secret[TokenChars + 1];
  int slot;
  uint64_t writesAt[WritesPerMinute];  // the steady times of its last writes, oldest overwritten
  int nextWrite;
};

// The reception's screen has a token of its own, on a line whose name no member can have: it opens
// the reception view and the board, and writes nothing.
constexpr int KioskSlot = -3;  // beside -1 and -2, no member and several
constexpr char KioskName[] = "*kiosk";

struct TokenTable {
  Token tokens[store::MaxMembers + 1];  // every member's and the reception's
  int count;
};

// Reads the token file against the share's name list: each name must name exactly one member.
// False with a one-line reason (and its line number) otherwise.
bool loadTokens(const char* path, const store::Share& share, TokenTable& out, char* error, size_t errorSize);

// The token that given (len bytes) is, or -1. Every token is compared, each in full, so the time
// taken tells nothing of how much of a token was right.
int findToken(const TokenTable& table, const char* given, size_t len);

// Whether the token may write now (at most WritesPerMinute in any minute); counts the write when so.
bool takeWrite(Token& token, uint64_t nowMs);

// A fresh token for every member of the share, written to path readable by its owner only. With
// urlBase, each member's link (urlBase/m/TOKEN) is printed to out after the name. False with a
// reason when no randomness or no file could be had.
bool makeTokens(const store::Share& share, const char* path, const char* urlBase, FILE* out, char* error,
                size_t errorSize);

// One member's token (or with KioskSlot the reception's) changed in the token file at path, every other
// line kept: a fresh token for slot (added when it had none), or with revoke none. The new link (urlBase/m/TOKEN) is
// printed to out after the name. False with a reason.
bool changeToken(const store::Share& share, const char* path, int slot, bool revoke, const char* urlBase, FILE* out,
                 char* error, size_t errorSize);

// The tokens just read keep the writes counted against the same member's token before, so a reload
// of the file does not reset anyone's limit.
void keepWriteCounts(const TokenTable& before, TokenTable& after);

// The system's half (tokens_posix.cpp, tokens_win32.cpp).
// size bytes from the system's secure generator.
bool secureRandom(unsigned char* out, size_t size);
// Creates (or replaces) path with the bytes, readable and writable by its owner only.
bool writePrivateFile(const char* path, const char* data, size_t size);
// Whether others than the file's owner may read it, as far as this system tells.
bool readableByOthers(const char* path);

}  // namespace web
