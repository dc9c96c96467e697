#pragma once
// Line breaking for CP932 text: where Japanese allows a line to end, with the width measured by the caller.
#include <cstddef>

namespace text {

// The width of `length` bytes from `text`, in whatever unit `width` below is given in.
using MeasureText = int (*)(const char* text, size_t length, void* context);

// Copies `in` to `out` with a '\n' wherever a line has to end so that no line is wider than `width`.
// A line ends at a space, after 、。」）！？：, or where a phrase ends (kana before kanji, katakana or a
// letter); only when a phrase alone is too wide, between any two characters where Japanese allows it;
// never before 。、」）ー or a small kana, never inside a run of katakana or of letters and digits.
// Spaces at either end of a wrapped line are dropped; the '\n' already in `in` stay. Returns false when
// `out` was too small (it then holds the whole pieces that fitted, NUL-terminated, never a half character).
bool wrapLines(const char* in, int width, MeasureText measure, void* context, char* out, size_t size);

}  // namespace text
