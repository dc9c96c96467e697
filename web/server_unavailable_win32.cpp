#include "web/server.h"

namespace web {

bool serverBuilt() { return false; }

int serve(store::Share&, const ServeOptions&) { return 1; }

}  // namespace web
