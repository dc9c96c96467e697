#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/session.h"
#include "cli/share_guard.h"
#include "cli/system.h"
#include "store/lock.h"
#include "store/share.h"
#include "web/server.h"
#include "web/tokens.h"

namespace cli {

namespace {

constexpr char ServeUsage[] =
    "usage: tavelin-cli serve [SOURCE] [--listen HOST:PORT] [--tokens FILE] [--edit-any] [--no-lock]\n"
    "                         [--url BASE]\n"
    "  Serves the board as a web page for phones and big screens, kept live: the board is looked at\n"
    "  once a second (its and the lock file's metadata only, while it is unchanged) and changed rows\n"
    "  are pushed to every open page. GET / (the page), /api/board (show --json's rows),\n"
    "  /api/events, /healthz.\n"
    "  --listen HOST:PORT  where to listen (127.0.0.1:8080; port 0 takes any free port)\n"
    "  --tokens FILE       the members' links from make-tokens: every page needs one, and each member\n"
    "                      may write their own row (POST /api/rows/me); without it the server is\n"
    "                      read-only\n"
    "  --edit-any          a link's holder may write any member's row (POST /api/rows/SLOT)\n"
    "  --url BASE          the address members use (a proxy's, say): its host is answered for, besides\n"
    "                      loopback, the --listen address, this PC's name and any address as such\n"
    "  --no-lock           write where no lock file can be made, or through a FUSE SMB mount\n"
    "  Stops cleanly on SIGTERM, SIGHUP or Ctrl+C, after the write under way; a second one stops at\n"
    "  once, leaving no lock behind. Every write is logged on stderr.\n"
    "SOURCE: --prefs FILE, or --names FILE --board FILE; without it, this PC's preferences.\n";

// HOST:PORT, [IPV6]:PORT or PORT alone into host and port; false when it is none of these.
bool parseListen(const char* text, char* host, size_t hostSize, int& port) {
  const char* colon = std::strrchr(text, ':');
  const char* digits = colon ? colon + 1 : text;
  if (!digits[0] || std::strspn(digits, "0123456789") != std::strlen(digits) || std::strlen(digits) > 5) return false;
  port = std::atoi(digits);
  if (port > 65535) return false;
  if (!colon) return std::snprintf(host, hostSize, "127.0.0.1") > 0;
  const char* start = text;
  size_t len = static_cast<size_t>(colon - text);
  if (len >= 2 && start[0] == '[' && start[len - 1] == ']') {
    ++start;
    len -= 2;
  }
  if (len == 0 || len >= hostSize) return false;
  std::memcpy(host, start, len);
  host[len] = '\0';
  return true;
}

// Whether a --listen host is reachable from this PC only.
bool isLoopback(const char* host) {
  return std::strncmp(host, "127.", 4) == 0 || std::strcmp(host, "::1") == 0 || std::strcmp(host, "localhost") == 0;
}

// The members' tokens, made once: too big for a stack.
web::TokenTable& tokenTable() {
  static web::TokenTable table;
  return table;
}

}  // namespace

int runServe(int argc, char** argv) {
  Options opts;
  char error[512];
  if (!parseOptions(argc, argv, ServeOptions, opts, error, sizeof error)) return usageError("serve", error, ServeUsage);
  if (opts.help) return printHelp(ServeUsage);
  char host[256];
  int port = 8080;
  if (!parseListen(opts.listen ? opts.listen : "127.0.0.1:8080", host, sizeof host, port))
    return usageError("serve", "--listen takes HOST:PORT, [IPV6]:PORT or PORT", ServeUsage);
  if (opts.editAny && !opts.tokensPath) return usageError("serve", "--edit-any needs --tokens FILE", ServeUsage);
  int status = prepareSource("serve", opts, Need::boardAndNames, ServeUsage);
  if (status != ExitOk) return status;
  // Only a server with tokens writes; it writes as set does, never through a mount that cannot lock.
  if (opts.tokensPath && !opts.noLock && refuseUnsafeMount("serve")) return ExitFailed;
  if (refuseOddLockFile("serve")) return ExitFailed;
  if (!loadNames("serve")) return ExitFailed;
  if (share().memberCount == 0) return usageError("serve", "the name list has no members", "");
  web::ServeOptions serveOptions{host, port, nullptr, opts.editAny, opts.noLock, opts.urlBase, nullptr};
  if (opts.tokensPath) {
    char path[1024] = "";
    if (!nativePath(opts.tokensPath, path, sizeof path) ||
        !web::loadTokens(path, share(), tokenTable(), error, sizeof error)) {
      std::fputs("tavelin-cli serve: the token file '", stderr);
      writeNativePath(stderr, path);
      std::fprintf(stderr, "': %s\n", error);
      return ExitUsage;
    }
    serveOptions.tokens = &tokenTable();
    static char tokensPath[1024];
    std::snprintf(tokensPath, sizeof tokensPath, "%s", path);
    serveOptions.tokensPath = tokensPath;
    if (tokenTable().count == 0)
      std::fputs(
          "tavelin-cli serve: warning: the token file holds no token: no member can open the board "
          "(make-tokens writes one per member)\n",
          stderr);
    if (web::readableByOthers(path))
      std::fputs(
          "tavelin-cli serve: warning: the token file is readable by other users, who could write as any "
          "member; make it its owner's alone (chmod 600, or 640 with serve's own group)\n",
          stderr);
    // A server that takes members' writes must be able to make them: said now, not as every save's 503.
    if (!opts.noLock && !store::canCreateLock(share())) {
      reportNoLock("serve", true);
      std::fputs(
          "tavelin-cli serve: members could not save; give this user write access to the share's folder "
          "(under systemd, ReadWritePaths= for it), or start serve without --tokens to serve the board "
          "read-only\n",
          stderr);
      return ExitFailed;
    }
    if (explainBoardNotOpening("serve", true)) {
      std::fputs(
          "tavelin-cli serve: members could not save; give this user write access to the board file, or "
          "start serve without --tokens to serve the board read-only\n",
          stderr);
      return ExitFailed;
    }
  } else if (!isLoopback(host)) {
    std::fprintf(stderr,
                 "tavelin-cli serve: warning: without --tokens anyone who reaches %s sees the whole board with "
                 "no link asked; give --tokens FILE (make-tokens) to ask for members' links\n",
                 host);
  }
  statusChangesOnly();
  return web::serve(share(), serveOptions);
}

}  // namespace cli
