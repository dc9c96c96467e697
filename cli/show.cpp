#include <cstdio>
#include <cstring>

#include "cli/commands.h"
#include "cli/output.h"
#include "platform/files.h"
#include "store/board.h"

namespace cli {

namespace {

constexpr char ShowUsage[] =
    "usage: tavelin-cli show --board FILE [--json]\n"
    "  Prints every slot of the board file that has any text, as a table or as JSON (UTF-8).\n";

// A board file read as the program reads it: a zeroed buffer, one block; a short file reads as zeros.
bool readBoardFile(const char* path) {
  static unsigned char buffer[store::BoardSize];
  files::Handle file(files::openRead(path));
  if (!file) return false;
  std::memset(buffer, 0, sizeof buffer);
  files::readBlock(buffer, sizeof buffer, file.get());
  if (files::hasError(file.get())) return false;
  store::replaceImage(buffer);
  return true;
}

}  // namespace

int runShow(int argc, char** argv) {
  const char* boardPath = nullptr;
  bool json = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(ShowUsage, stdout);
      return ExitOk;
    } else if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (std::strcmp(argv[i], "--board") == 0 && i + 1 < argc) {
      boardPath = argv[++i];
    } else {
      std::fprintf(stderr, "tavelin-cli show: unexpected argument '%s'\n%s", argv[i], ShowUsage);
      return ExitUsage;
    }
  }
  if (!boardPath) {
    std::fputs(ShowUsage, stderr);
    return ExitUsage;
  }
  if (!readBoardFile(boardPath)) {
    std::fprintf(stderr, "tavelin-cli show: cannot read the board file '%s'\n", boardPath);
    return ExitFailed;
  }
  RowSource rows{store::MaxMembers, true, nullptr};
  if (json)
    printJson(stdout, rows);
  else
    printTable(stdout, rows);
  return ExitOk;
}

}  // namespace cli
