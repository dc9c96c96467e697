#pragma once
// The sheet of personal links an administrator prints and cuts up: one slip per member holding a
// token (name, link, and the link as a QR code, drawn when the page opens by the embedded library), laid
// out for A4 with page breaks only between rows of slips.
#include <cstddef>
#include <cstdio>

#include "web/tokens.h"

namespace web {

// Every sheet carries this line, so that a later run may replace it and nothing else.
constexpr char SheetMark[] = "<meta name=\"generator\" content=\"tavelin-cli make-tokens --sheet\">";

// The sheet for the table's members (the reception's token has no slip), in the table's order; with
// onlySlot >= 0 that member's slip alone. base is the link's BASE, checked by checkBaseUrl.
// Returns the number of slips written.
int writeSheet(FILE* out, const TokenTable& table, const store::Share& share, const char* base, int onlySlot);

// Whether the bytes are a sheet's (they hold SheetMark).
bool looksLikeSheet(const char* bytes, size_t size);

}  // namespace web
