#include "fuzz/harness.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/fake.h"

namespace fuzz {

namespace {
std::string dir;
constexpr const char* ScratchFiles[] = {"tavelin.prf", "tavelin.cmb",     "sem.dat",
                                        "tv_cont.lst", "tv_cont.lst.jnl", "tv_name.lst"};

void removeScratch() {
  for (const char* name : ScratchFiles) std::remove((dir + "/" + name).c_str());
  rmdir(dir.c_str());
}
}  // namespace

void check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

const std::string& scratchDir() {
  if (dir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && tmp[0] ? tmp : "/tmp") + "/tavelin-fuzz-XXXXXX";
    check(mkdtemp(pattern.data()) != nullptr, "scratch directory created");
    dir = pattern;
    std::atexit(removeScratch);
  }
  return dir;
}

std::string writeScratch(const char* name, const uint8_t* data, size_t size) {
  std::string path = scratchDir() + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  check(f != nullptr, "scratch file opened");
  check(size == 0 || std::fwrite(data, 1, size, f) == size, "scratch file written");
  check(std::fclose(f) == 0, "scratch file closed");
  return path;
}

bool isUtf8(const char* s, size_t len) {
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  size_t i = 0;
  while (i < len) {
    const unsigned char b = p[i];
    size_t n;
    uint32_t cp;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      n = 1;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      n = 2;
      cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      n = 3;
      cp = b & 0x07;
    } else {
      return false;
    }
    if (i + n >= len) return false;  // the sequence is cut off by the end
    for (size_t k = 1; k <= n; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    i += n + 1;
  }
  return true;
}

Capture::Capture() : f(open_memstream(&buffer, &size)) { check(f != nullptr, "capture stream opened"); }

Capture::~Capture() {
  std::fclose(f);
  std::free(buffer);
}

std::string Capture::text() {
  std::fflush(f);
  return std::string(buffer, size);
}

}  // namespace fuzz
