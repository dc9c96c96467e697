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
  files::Handle file(files::openRead(path));
  if (!file) {
    const int why = errno;
    std::snprintf(error, errorSize, "cannot open it (%s)", std::strerror(why));
    return false;
  }
  char line[TokenChars + 1 + store::NameSize * 3 + 8];
  for (int number = 1; std::fgets(line, sizeof line, file.get()); ++number) {
    size_t len = std::strlen(line);
    if (len && line[len - 1] != '\n' && !std::feof(file.get())) return failLine(error, errorSize, number, "too long");
    while (len && (line[len - 1] == '\n' || line[len - 1] == '\r')) line[--len] = '\0';
    if (len == 0) continue;
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

int findToken(const TokenTable& table, const char* given, size_t len) {
  if (len != TokenChars) return -1;
  int found = -1;
  for (int i = 0; i < table.count; ++i) {
    unsigned char diff = 0;
    for (size_t k = 0; k < TokenChars; ++k) diff |= static_cast<unsigned char>(table.tokens[i].secret[k] ^ given[k]);
    // Branch-free choice, so a match costs what a miss costs.
    const int same = (diff == 0);
    found = same * i + (1 - same) * found;
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

bool writeTokens(const char* path, const std::string& lines, char* error, size_t errorSize) {
  if (writePrivateFile(path, lines.data(), lines.size())) return true;
  const int why = errno;
  std::snprintf(error, errorSize, "cannot write the token file (%s)", std::strerror(why));
  return false;
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
  if (!writeTokens(path, lines, error, errorSize)) return false;
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
    if (urlBase) links += name + '\t' + urlBase + "/m/" + token + '\n';
  }
  if (!writeTokens(path, lines, error, errorSize)) return false;
  if (urlBase) std::fputs(links.c_str(), out);
  return true;
}

}  // namespace web
