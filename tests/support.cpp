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

}  // namespace testsupport
