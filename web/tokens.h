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
// The OR of every byte's difference (0: the same): constant-time by construction, with no branch or
// early end on the bytes compared, each of the TokenChars bytes visited whatever the others.
unsigned tokenDifference(const char* a, const char* b);

// Whether the token may write now (at most WritesPerMinute in any minute); counts the write when so.
bool takeWrite(Token& token, uint64_t nowMs);

// A token's link: BASE/m/TOKEN, or BASE/kiosk/TOKEN for the reception's (cut to fit out).
void linkOf(const char* base, const char* secret, int slot, char* out, size_t size);

// A fresh token for every member of the share, written to path readable by its owner only. With
// urlBase, each member's link (urlBase/m/TOKEN) is printed to out after the name. False with a
// reason (the system's, when it gave one) when no randomness or no file could be had.
bool makeTokens(const store::Share& share, const char* path, const char* urlBase, FILE* out, char* error,
                size_t errorSize);

// Each token's link, "NAME<TAB>BASE/m/TOKEN" (the reception's BASE/kiosk/TOKEN; UTF-8), in the table's order.
void printLinks(const TokenTable& table, const store::Share& share, const char* base, FILE* out);

// BASE as a link is built on: an absolute http:// or https:// URL with a host, in printable ASCII,
// without a query or a fragment (either would swallow the "/m/TOKEN" put after it). Copied to out
// without its trailing slashes; false with a reason otherwise.
bool checkBaseUrl(const char* url, char* out, size_t outSize, char* error, size_t errorSize);

// Whether the bytes are a token file's (TOKEN<TAB>NAME lines), so that writing one over it loses
// nothing but old tokens. An empty file is not taken for one.
bool looksLikeTokenFile(const char* bytes, size_t size);

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

// What stands at a path, the last name not followed when it is a link.
enum class Existing { none, regular, link, folder, other, unknown };
// unknown (the path cannot be looked at: a missing folder, a loop, no access) puts the system's
// reason into reason.
Existing lookAt(const char* path, char* reason, size_t reasonSize);

// Writes the bytes to a new temporary file beside path, readable and writable by its owner only
// from its creation, and puts it in path's place in one step; a file there that its group could
// read leaves that group its read (POSIX). False with the step and the system's reason (UTF-8) in
// reason; the temporary file is then gone.
bool writePrivateFile(const char* path, const char* data, size_t size, char* reason, size_t reasonSize);
// Whether others than the file's owner may read it, as far as this system tells; on POSIX the
// process's own group (the service's) reading it is no other.
bool readableByOthers(const char* path);

}  // namespace web
