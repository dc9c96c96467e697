#pragma once
// Folding full-width Shift-JIS characters that have a one-byte ASCII counterpart (１７：３０ -> 17:30).

namespace text {

// The ASCII byte for the double-byte character lead/trail, or 0 when it has none.
char foldChar(unsigned char lead, unsigned char trail);

// Folds a NUL-terminated text in place; texts longer than 255 bytes are left unchanged.
void foldFullWidth(char* text);

// Drops the spaces and tabs at both ends of a NUL-terminated text, in place: " 12:30" as typed is kept
// as "12:30". Run after folding, so a full-width space goes too.
void trimSpaces(char* text);

}  // namespace text
