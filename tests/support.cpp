#include "tests/support.h"

#include <atomic>
#include <fstream>
#include <sstream>

#include "platform/system.h"

namespace testsupport {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto base = fs::temp_directory_path();
  for (;;) {
    auto candidate = base / ("tavelin-test-" + std::to_string(std::rand()) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate.string();
      break;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const { return path_ + platform::separator() + name; }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

bool pendingRecord(const std::string& boardPath) {
  const std::string record = readFile(boardPath + ".jnl");
  return record.size() > 4 && record[4] != 'D';
}

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::string captured(void (*print)(FILE*, const char*, size_t), const std::string& text) {
  FILE* f = std::tmpfile();
  print(f, text.data(), text.size());
  std::rewind(f);
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

}  // namespace testsupport
