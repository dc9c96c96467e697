#pragma once
// Reading fixed-size text fields that came from a file: never past the field, NUL or no NUL.
#include <cstddef>

namespace text {

// Length of the text in a field of fieldSize bytes: up to its NUL, or the whole field.
size_t fieldLength(const char* field, size_t fieldSize);

// Copies the field's text into out (outSize bytes, always NUL-terminated, cut to fit); returns its length.
size_t copyField(char* out, size_t outSize, const char* field, size_t fieldSize);

// Copies a NUL-terminated text into a field of fieldSize bytes, cut to fieldSize - 1 bytes.
void storeText(char* field, size_t fieldSize, const char* text);

// The longest start of text (at most length bytes) that does not end in half a double-byte
// character: what a field can hold of a longer text without showing garbage on every PC.
size_t wholeCharacterLength(const char* text, size_t length);

// dir (its first dirLength bytes) + a separator + name into out; the separator is left out when dir
// already ends in one (a double-byte character ending in 0x5C is no separator). False, with out
// empty, when dir is empty or the whole does not fit.
bool joinPath(char* out, size_t outSize, const char* dir, size_t dirLength, const char* name);

// Where the last separator of path (length bytes) stands, read in this system's path encoding: on
// Windows a double-byte character ending in 0x5C is no separator; elsewhere a path is plain bytes.
// length when there is none.
size_t lastSeparator(const char* path, size_t length);

// Turns every '/' of a Windows path (NUL-terminated within size bytes) into '\', the one separator
// older PCs know; whether any was turned.
bool toBackslashes(char* path, size_t size);

template <size_t N>
size_t fieldLength(const char (&field)[N]) {
  return fieldLength(field, N);
}

template <size_t N, size_t M>
size_t copyField(char (&out)[N], const char (&field)[M]) {
  return copyField(out, N, field, M);
}

}  // namespace text
