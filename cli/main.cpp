// tavelin-cli: the board from a terminal, for administrators and scripts.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/commands.h"
#include "cli/output.h"
#include "cli/session.h"
#include "cli/stop.h"
#include "cli/system.h"

namespace {

constexpr char Usage[] =
    "usage: tavelin-cli COMMAND [OPTIONS]\n"
    "\n"
    "commands:\n"
    "  show         [SOURCE] [--json|--csv] print every member's row\n"
    "  set          [SOURCE] (--slot N | --member NAME) [--morning T] [--afternoon T]\n"
    "                        [--return T] [--state T] [--clear | --touch]\n"
    "                                       write one member's row, as the entry dialog does\n"
    "  reset-lock   [SOURCE]                delete a lock file left behind\n"
    "  check-names  FILE                    report what the program would make of a name list\n"
    "                                       (Shift-JIS, as on the share)\n"
    "  init-share   DIR [--names FILE]      create an empty board and a name list (FILE: UTF-8,\n"
    "                                       one name per line)\n"
    "  serve        [SOURCE] [--listen HOST:PORT] [--tokens FILE] [--edit-any]\n"
    "                                       the board as a live web page (127.0.0.1:8080)\n"
    "  make-tokens  [SOURCE] --out FILE [--url BASE] [--force] | --links --tokens FILE --url BASE\n"
    "                                       one personal link per member, for serve --tokens\n"
    "\n"
    "SOURCE: --prefs FILE, or --names FILE --board FILE; without it, the preferences this PC's\n"
    "program loads. Texts in and out are UTF-8; the files stay CP932.\n"
    "Exit status: 0 success, 1 the board operation failed, 2 usage or input error.\n"
    "Options take their value as --opt VALUE or --opt=VALUE; '--' ends the options.\n"
    "Run 'tavelin-cli COMMAND --help' for a command's options, 'tavelin-cli --version' for the version.\n";

struct Command {
  const char* name;
  int (*run)(int, char**);
};

constexpr Command Commands[] = {
    {"show", cli::runShow},
    {"set", cli::runSet},
    {"reset-lock", cli::runResetLock},
    {"check-names", cli::runCheckNames},
    {"init-share", cli::runInitShare},
    {"serve", cli::runServe},
    {"make-tokens", cli::runMakeTokens},
};

int dispatch(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(Usage, argc < 2 ? stderr : stdout);
    return argc < 2 ? cli::ExitUsage : cli::ExitOk;
  }
  if (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0) {
    std::printf("tavelin-cli %s\n", TAVELIN_VERSION);
    return cli::ExitOk;
  }
  for (const Command& c : Commands)
    if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
  std::fputs("tavelin-cli: unknown command '", stderr);
  cli::writeTypedText(stderr, argv[1]);
  std::fputs("'; 'tavelin-cli --help' lists the commands\n", stderr);
  return cli::ExitUsage;
}

}  // namespace

namespace cli {

// Made once: the share holds two board images, too big for a stack.
settings::Local& local() {
  static settings::Local records;
  return records;
}

store::Share& share() {
  static store::Share theShare;
  return theShare;
}

}  // namespace cli

int main(int argc, char** argv) {
  cli::releaseLockOnStop(cli::share());
  char** args = nullptr;
  const int count = cli::utf8Arguments(argc, argv, args);
  const int status = dispatch(count, args);
  // Output a full disk took shows at the last flush, in the close: then it was no success.
  errno = 0;
  if (std::fclose(stdout) != 0 && status == cli::ExitOk) {
    std::fprintf(stderr, "tavelin-cli: cannot write the output: %s\n", errno ? std::strerror(errno) : "a write failed");
    return cli::ExitFailed;
  }
  return status;
}
