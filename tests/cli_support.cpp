#include "tests/cli_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "cli/session.h"
#include "tests/fake.h"

namespace clisupport {

Run run(int (*command)(int, char**), std::vector<std::string> words) {
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(&w[0]);
  std::fflush(nullptr);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int exit = command(static_cast<int>(argv.size()), argv.data());
  std::fflush(nullptr);
  Run r{exit, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
  return r;
}

std::string mountTable(const std::string& folder, const std::string& type) {
  const std::string resolved = std::filesystem::canonical(folder).string();
  return "21 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
         "90 21 0:50 / " +
         resolved + " rw,nosuid,nodev shared:60 - " + type + " srv rw,user_id=0\n";
}

}  // namespace clisupport

namespace cli {

// The commands work on the fake's records, which every test starts afresh.
settings::Local& local() { return fake::local; }
store::Share& share() { return fake::share; }

}  // namespace cli
