#pragma once
// The commands of tavelin-cli. Each returns the exit status: 0 success, 1 the board operation
// failed, 2 usage or input error.

namespace cli {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

int runShow(int argc, char** argv);

}  // namespace cli
