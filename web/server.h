#pragma once
// tavelin-cli serve: the board over HTTP for members away from their PC. One more client of the
// share, taking the same lock for the same short time; everything the page needs is in the program.
#include "web/tokens.h"

namespace store {
struct Share;
}

namespace web {

struct ServeOptions {
  const char* host;    // 127.0.0.1 unless --listen says otherwise
  int port;            // 0: any free port (the one taken is printed)
  TokenTable* tokens;  // null: read-only, no token asked
  bool editAny;        // a token holder may write any member's row
  bool noLock;         // write where no lock file can be made (tavelin-cli's --no-lock)
};

// False where this build has no HTTP server (Windows: the distribution's library is built for Linux).
bool serverBuilt();

// Serves the share (its paths and name list loaded) until SIGTERM or SIGINT; an in-flight write
// finishes first. The exit status: 0 after a clean stop, 1 when the address could not be taken.
int serve(store::Share& share, const ServeOptions& options);

}  // namespace web
