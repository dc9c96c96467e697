#include "web/json_body.h"

#include <cstdio>
#include <cstring>

namespace web {

namespace {

constexpr const char* KeyNames[EditKeyCount] = {"morning", "afternoon",     "returnTime",
                                                "state",   "seenWrittenAt", "seenGeneration"};

struct Parser {
  const char* at;
  const char* end;
  const char* failure;
};

void skipSpace(Parser& p) {
  while (p.at < p.end && (*p.at == ' ' || *p.at == '\t' || *p.at == '\n' || *p.at == '\r')) ++p.at;
}

bool fail(Parser& p, const char* why) {
  if (!p.failure) p.failure = why;
  return false;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool readHex4(Parser& p, unsigned& out) {
  if (p.end - p.at < 4) return fail(p, "a \\u escape is cut short");
  out = 0;
  for (int i = 0; i < 4; ++i) {
    const int v = hexValue(*p.at++);
    if (v < 0) return fail(p, "a \\u escape is not hexadecimal");
    out = out * 16 + static_cast<unsigned>(v);
  }
  return true;
}

size_t putUtf8(unsigned code, char* out) {
  if (code < 0x80) {
    out[0] = static_cast<char>(code);
    return 1;
  }
  if (code < 0x800) {
    out[0] = static_cast<char>(0xC0 | (code >> 6));
    out[1] = static_cast<char>(0x80 | (code & 0x3F));
    return 2;
  }
  if (code < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (code >> 12));
    out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (code & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (code >> 18));
  out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (code & 0x3F));
  return 4;
}

// One escape after the backslash, as UTF-8 into out (room for 4 bytes); its length, or 0.
size_t readEscape(Parser& p, char* out) {
  if (p.at == p.end) return fail(p, "the text ends in an escape"), 0;
  const char c = *p.at++;
  static const char Letters[] = "\"\\/bfnrt";
  static const char Meaning[] = "\"\\/\b\f\n\r\t";
  if (const char* simple = c ? std::strchr(Letters, c) : nullptr) {
    out[0] = Meaning[simple - Letters];
    return 1;
  }
  if (c != 'u') return fail(p, "an unknown escape"), 0;
  unsigned code;
  if (!readHex4(p, code)) return 0;
  // A NUL would end the text early and the rest would be lost without a word.
  if (code == 0) return fail(p, "a NUL character in a string"), 0;
  if (code >= 0xDC00 && code <= 0xDFFF) return fail(p, "a lone surrogate"), 0;
  if (code >= 0xD800 && code <= 0xDBFF) {
    unsigned low;
    if (p.end - p.at < 2 || p.at[0] != '\\' || p.at[1] != 'u') return fail(p, "a lone surrogate"), 0;
    p.at += 2;
    if (!readHex4(p, low) || low < 0xDC00 || low > 0xDFFF) return fail(p, "a lone surrogate"), 0;
    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
  }
  return putUtf8(code, out);
}

// A string literal at p.at into out (NUL-terminated, at most outSize bytes with the NUL).
bool readString(Parser& p, char* out, size_t outSize) {
  if (p.at == p.end || *p.at != '"') return fail(p, "a string was expected");
  ++p.at;
  size_t n = 0;
  while (p.at < p.end && *p.at != '"') {
    char piece[4];
    size_t len = 1;
    const unsigned char c = static_cast<unsigned char>(*p.at);
    if (c < 0x20) return fail(p, "a control character in a string");
    if (c == '\\') {
      ++p.at;
      len = readEscape(p, piece);
      if (len == 0) return false;
    } else {
      piece[0] = *p.at++;
    }
    if (n + len >= outSize) return fail(p, "a value is too long");
    std::memcpy(out + n, piece, len);
    n += len;
  }
  if (p.at == p.end) return fail(p, "a string is not closed");
  ++p.at;
  out[n] = '\0';
  return true;
}

bool readMember(Parser& p, RowEdit& out) {
  char key[32];
  if (!readString(p, key, sizeof key)) return fail(p, "an unknown key");
  int k = 0;
  while (k < EditKeyCount && std::strcmp(key, KeyNames[k]) != 0) ++k;
  if (k == EditKeyCount) return fail(p, "an unknown key");
  if (out.given[k]) return fail(p, "a key given twice");
  skipSpace(p);
  if (p.at == p.end || *p.at++ != ':') return fail(p, "':' was expected");
  skipSpace(p);
  if (!readString(p, out.value[k], sizeof out.value[k])) return false;
  out.given[k] = true;
  return true;
}

bool readObject(Parser& p, RowEdit& out) {
  skipSpace(p);
  if (p.at == p.end || *p.at++ != '{') return fail(p, "the body is not a JSON object");
  skipSpace(p);
  if (p.at < p.end && *p.at == '}') {
    ++p.at;
  } else {
    for (;;) {
      skipSpace(p);
      if (!readMember(p, out)) return false;
      skipSpace(p);
      if (p.at == p.end) return fail(p, "the object is not closed");
      const char c = *p.at++;
      if (c == '}') break;
      if (c != ',') return fail(p, "',' or '}' was expected");
    }
  }
  skipSpace(p);
  return p.at == p.end || fail(p, "text after the object");
}

}  // namespace

bool parseRowEdit(const char* body, size_t len, RowEdit& out, char* reason, size_t reasonSize) {
  std::memset(&out, 0, sizeof out);
  Parser p{body, body + len, nullptr};
  if (readObject(p, out)) return true;
  std::snprintf(reason, reasonSize, "bad JSON: %s", p.failure ? p.failure : "not an object");
  return false;
}

}  // namespace web
