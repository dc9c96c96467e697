#pragma once
// tavelin-cli serve: the board over HTTP for members away from their PC. One more client of the
// share, taking the same lock for the same short time; everything the page needs is in the program.
#include <cstddef>
#include <string>

#include "web/tokens.h"

namespace store {
struct Share;
}

namespace web {

struct ServeOptions {
  const char* host;        // 127.0.0.1 unless --listen says otherwise
  int port;                // 0: any free port (the one taken is printed)
  TokenTable* tokens;      // null: read-only, no token asked
  bool editAny;            // a token holder may write any member's row
  bool noLock;             // write where no lock file can be made (tavelin-cli's --no-lock)
  const char* url;         // the address members are given (make-tokens' --url), or null
  const char* tokensPath;  // the file tokens was read from: read again when it changes
};

// Whether a request's Host (host, length bytes, with or without a port) names this server: an address
// written as such, localhost, or one of the names given (each may be null). A name that only resolves
// here (DNS rebinding) is refused.
bool hostAllowed(const char* host, size_t length, const char* listenHost, const char* urlHost, const char* machineName);

// The host of a URL as --url gives it, lower case: "https://Board.example:8443/x" gives "board.example".
std::string urlHostOf(const char* url);

// Serves the share (its paths and name list loaded) until SIGTERM or SIGINT; an in-flight write
// finishes first. The exit status: 0 after a clean stop, 1 when the address could not be taken.
int serve(store::Share& share, const ServeOptions& options);

}  // namespace web
