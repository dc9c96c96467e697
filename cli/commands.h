#pragma once
// The commands of tavelin-cli. Each takes its own argv (argv[0] is the command's name) and returns
// the exit status: 0 success, 1 the board operation failed, 2 usage or input error.

#include "cli/args.h"

namespace cli {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// The options each command takes (Allow bits of cli/args.h).
constexpr unsigned ShowOptions = AllowSource | AllowJson | AllowCsv;
constexpr unsigned SetOptions = AllowSource | AllowRowPick | AllowTexts | AllowForce | AllowNoLock;
constexpr unsigned ResetLockOptions = AllowSource | AllowNoLock;
constexpr unsigned CheckNamesOptions = AllowOperand | AllowBoardOnly;
constexpr unsigned InitShareOptions = AllowOperand | AllowNamesOnly;
constexpr unsigned ServeOptions = AllowSource | AllowServe | AllowNoLock;
constexpr unsigned MakeTokensOptions = AllowSource | AllowTokensOut | AllowForce | AllowRowPick;

int runShow(int argc, char** argv);
int runSet(int argc, char** argv);
int runResetLock(int argc, char** argv);
int runCheckNames(int argc, char** argv);
int runInitShare(int argc, char** argv);
int runServe(int argc, char** argv);
int runMakeTokens(int argc, char** argv);

// The slot --slot or --member picks on the loaded name list, or -1 after the command's usage error
// (the members listed when the name matched none or several).
int pickSlot(const Options& opts, const char* command);

}  // namespace cli
