#pragma once
// A field typed longer than the board keeps, said as a person counts: in 全角 and 半角 characters (a
// 全角 one takes two of the field's bytes), never in bytes.
#include <cstddef>

namespace ui {

// "午前が長すぎます。あと全角6文字（半角なら12文字）減らしてください（全角59文字、半角118文字まで）。"
void formatTooLong(const char* label, size_t length, size_t limit, char* out, size_t size);

}  // namespace ui
