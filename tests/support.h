#pragma once
// Shared helpers of the core tests: a scratch directory, whole-file reads and writes, and a fixture
// that gives every test a fresh process state.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/fake.h"

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const;  // path + separator + name

 private:
  std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);
// Whether a row write's side record beside the board still waits for the next lock holder.
bool pendingRecord(const std::string& boardPath);
std::string repeat(const std::string& s, int n);
// What print writes of the text, as bytes.
std::string captured(void (*print)(FILE*, const char*, size_t), const std::string& text);

class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::resetAll(); }
  TempDir dir;
};

}  // namespace testsupport
