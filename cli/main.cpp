// tavelin-cli: the board from a terminal, for administrators and scripts.
#include <cstdio>
#include <cstring>

#include "cli/commands.h"

namespace {

constexpr char Usage[] =
    "usage: tavelin-cli COMMAND [OPTIONS]\n"
    "\n"
    "commands:\n"
    "  show --board FILE [--json]   print every filled row of a board file\n"
    "\n"
    "Run 'tavelin-cli COMMAND --help' for a command's options.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(Usage, argc < 2 ? stderr : stdout);
    return argc < 2 ? cli::ExitUsage : cli::ExitOk;
  }
  if (std::strcmp(argv[1], "show") == 0) return cli::runShow(argc - 1, argv + 1);
  std::fprintf(stderr, "tavelin-cli: unknown command '%s'\n\n%s", argv[1], Usage);
  return cli::ExitUsage;
}
