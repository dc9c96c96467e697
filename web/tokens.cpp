#include "web/tokens.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/files.h"
#include "store/share.h"
#include "text/bounded.h"
#include "text/cp932.h"

namespace web {

namespace {

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

bool failLine(char* error, size_t errorSize, int line, const char* what) {
  std::snprintf(error, errorSize, "line %d: %s", line, what);
  return false;
}

// The one slot whose display name is name (UTF-8), -1 for none, -2 for several.
int slotNamed(const store::Share& share, const char* utf8) {
  char name[store::NameSize];
  if (!text::utf8ToCp932(utf8, name, sizeof name)) return -1;
  int found = -1;
  for (int slot = 0; slot < share.memberCount; ++slot) {
    if (text::fieldLength(share.displayNames[slot], store::NameSize) != std::strlen(name) ||
        std::memcmp(share.displayNames[slot], name, std::strlen(name)) != 0)
      continue;
    if (found >= 0) return -2;
    found = slot;
  }
  return found;
}

}  // namespace

bool loadTokens(const char* path, const store::Share& share, TokenTable& out, char* error, size_t errorSize) {
  out.count = 0;
  errno = 0;
  files::Handle file(files::openRead(path));
  if (!file) {
    std::snprintf(error, errorSize, "cannot open it: %s", errno ? std::strerror(errno) : "the system gave no reason");
    return false;
  }
  char line[TokenChars + 1 + store::NameSize * 3 + 8];
  for (int number = 1; std::fgets(line, sizeof line, file.get()); ++number) {
    size_t len = std::strlen(line);
    if (len && line[len - 1] != '\n' && !std::feof(file.get())) return failLine(error, errorSize, number, "too long");
    while (len && (line[len - 1] == '\n' || line[len - 1] == '\r')) line[--len] = '\0';
    if (len == 0) {
      // Blank lines are allowed, not without end: a file of nothing else is no token file.
      if (number > 4 * store::MaxMembers) return failLine(error, errorSize, number, "too many lines");
      continue;
    }
    if (len < TokenChars + 2 || line[TokenChars] != '\t')
      return failLine(error, errorSize, number, "not TOKEN<TAB>NAME with a 40-digit token");
    for (size_t i = 0; i < TokenChars; ++i)
      if (!isHex(line[i])) return failLine(error, errorSize, number, "the token is not 40 lowercase hex digits");
    const int slot =
        std::strcmp(line + TokenChars + 1, KioskName) == 0 ? KioskSlot : slotNamed(share, line + TokenChars + 1);
    if (slot == -1) return failLine(error, errorSize, number, "no member of the name list has this name");
    if (slot == -2) return failLine(error, errorSize, number, "several members have this name");
    if (out.count == store::MaxMembers + 1) return failLine(error, errorSize, number, "more tokens than members");
    Token& t = out.tokens[out.count++];
    t = Token{};
    std::memcpy(t.secret, line, TokenChars);
    t.slot = slot;
  }
  return true;
}

unsigned tokenDifference(const char* a, const char* b) {
  unsigned diff = 0;
  for (size_t k = 0; k < TokenChars; ++k) diff |= static_cast<unsigned char>(a[k] ^ b[k]);
  return diff;
}

int findToken(const TokenTable& table, const char* given, size_t len) {
  if (len != TokenChars) return -1;
  int found = -1;
  for (int i = 0; i < table.count; ++i) {
    // All ones when the difference is 0, else 0, by arithmetic: a match costs what a miss costs.
    const unsigned same = 0u - ((tokenDifference(table.tokens[i].secret, given) - 1u) >> 31);
    found = static_cast<int>((same & static_cast<unsigned>(i)) | (~same & static_cast<unsigned>(found)));
  }
  return found;
}

bool takeWrite(Token& token, uint64_t nowMs) {
  const uint64_t oldest = token.writesAt[token.nextWrite];
  if (oldest != 0 && nowMs - oldest < 60000) return false;
  token.writesAt[token.nextWrite] = nowMs ? nowMs : 1;
  token.nextWrite = (token.nextWrite + 1) % WritesPerMinute;
  return true;
}

namespace {

bool freshToken(char (&token)[TokenChars + 1], char* error, size_t errorSize) {
  unsigned char bytes[TokenBytes];
  if (!secureRandom(bytes, sizeof bytes)) {
    std::snprintf(error, errorSize, "the system's secure random generator did not answer");
    return false;
  }
  for (size_t i = 0; i < TokenBytes; ++i) std::snprintf(token + 2 * i, 3, "%02x", bytes[i]);
  return true;
}

std::string nameOf(const store::Share& share, int slot) {
  if (slot == KioskSlot) return KioskName;
  char name[store::NameSize * 3 + 1];
  text::cp932ToUtf8(share.displayNames[slot], text::fieldLength(share.displayNames[slot], store::NameSize), name,
                    sizeof name);
  return name;
}

}  // namespace

bool changeToken(const store::Share& share, const char* path, int slot, bool revoke, const char* urlBase, FILE* out,
                 char* error, size_t errorSize) {
  auto table = std::make_unique<TokenTable>();
  if (!loadTokens(path, share, *table, error, errorSize)) return false;
  bool had = false;
  std::string lines;
  for (int i = 0; i < table->count; ++i) {
    const Token& t = table->tokens[i];
    if (t.slot == slot) {
      had = true;
      continue;
    }
    lines += std::string(t.secret, TokenChars) + '\t' + nameOf(share, t.slot) + '\n';
  }
  if (revoke && !had) {
    std::snprintf(error, errorSize, "this member has no token to revoke");
    return false;
  }
  char token[TokenChars + 1];
  if (!revoke) {
    if (!freshToken(token, error, errorSize)) return false;
    lines += std::string(token) + '\t' + nameOf(share, slot) + '\n';
  }
  if (!writePrivateFile(path, lines.data(), lines.size(), error, errorSize)) return false;
  if (!revoke && urlBase)
    std::fprintf(out, "%s\t%s/%s/%s\n", nameOf(share, slot).c_str(), urlBase, slot == KioskSlot ? "kiosk" : "m", token);
  return true;
}

void keepWriteCounts(const TokenTable& before, TokenTable& after) {
  for (int i = 0; i < after.count; ++i)
    for (int k = 0; k < before.count; ++k)
      if (before.tokens[k].slot == after.tokens[i].slot) {
        std::memcpy(after.tokens[i].writesAt, before.tokens[k].writesAt, sizeof after.tokens[i].writesAt);
        after.tokens[i].nextWrite = before.tokens[k].nextWrite;
      }
}

bool makeTokens(const store::Share& share, const char* path, const char* urlBase, FILE* out, char* error,
                size_t errorSize) {
  std::string lines, links;
  for (int slot = 0; slot < share.memberCount; ++slot) {
    char token[TokenChars + 1];
    if (!freshToken(token, error, errorSize)) return false;
    const std::string name = nameOf(share, slot);
    lines += std::string(token) + '\t' + name + '\n';
    if (urlBase) {
      char link[2048];
      linkOf(urlBase, token, slot, link, sizeof link);
      links += name + '\t' + link + '\n';
    }
  }
  if (!writePrivateFile(path, lines.data(), lines.size(), error, errorSize)) return false;
  if (urlBase) std::fputs(links.c_str(), out);
  return true;
}

void linkOf(const char* base, const char* secret, int slot, char* out, size_t size) {
  // The reception's token is no member's: its link is the kiosk view.
  std::snprintf(out, size, "%s/%s/%.*s", base, slot == KioskSlot ? "kiosk" : "m", static_cast<int>(TokenChars), secret);
}

void printLinks(const TokenTable& table, const store::Share& share, const char* base, FILE* out) {
  for (int i = 0; i < table.count; ++i) {
    char link[2048];
    linkOf(base, table.tokens[i].secret, table.tokens[i].slot, link, sizeof link);
    std::fprintf(out, "%s\t%s\n", nameOf(share, table.tokens[i].slot).c_str(), link);
  }
}

namespace {

bool failUrl(char* error, size_t errorSize, const char* why) {
  std::snprintf(error, errorSize, "--url %s", why);
  return false;
}

bool startsWithNoCase(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix)
    if (*text == '\0' || (*text | 0x20) != *prefix) return false;
  return true;
}

}  // namespace

bool checkBaseUrl(const char* url, char* out, size_t outSize, char* error, size_t errorSize) {
  size_t schemeLength = 0;
  if (startsWithNoCase(url, "https://"))
    schemeLength = 8;
  else if (startsWithNoCase(url, "http://"))
    schemeLength = 7;
  else
    return failUrl(error, errorSize, "must be an absolute URL starting with http:// or https://");
  for (const char* p = url; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c <= 0x20 || c >= 0x7F)
      return failUrl(error, errorSize, "may hold printable ASCII only (no spaces, controls or other characters)");
    if (c == '?' || c == '#')
      return failUrl(error, errorSize, "may not have a query or a fragment ('?' or '#'): the link is BASE/m/TOKEN");
    if (c == '\\') return failUrl(error, errorSize, "may not hold a backslash");
  }
  const char* host = url + schemeLength;
  if (host[0] == '\0' || host[0] == '/') return failUrl(error, errorSize, "has no host after the scheme");
  size_t length = std::strlen(url);
  while (length > schemeLength && url[length - 1] == '/') --length;
  if (length + 1 > outSize) return failUrl(error, errorSize, "is too long");
  std::memcpy(out, url, length);
  out[length] = '\0';
  return true;
}

bool looksLikeTokenFile(const char* bytes, size_t size) {
  size_t lines = 0;
  for (size_t at = 0; at < size;) {
    const char* end = static_cast<const char*>(std::memchr(bytes + at, '\n', size - at));
    const size_t length = (end ? static_cast<size_t>(end - bytes) : size) - at;
    const char* line = bytes + at;
    at += length + 1;
    if (length == 0 || (length == 1 && line[0] == '\r')) continue;
    if (length < TokenChars + 2 || line[TokenChars] != '\t') return false;
    for (size_t i = 0; i < TokenChars; ++i)
      if (!isHex(line[i])) return false;
    ++lines;
  }
  return lines > 0;
}

}  // namespace web
