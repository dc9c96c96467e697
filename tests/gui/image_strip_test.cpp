// The row icons' painter, under Wine: what its masks let through onto the background.
#include "ui/image_strip.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace ui {
HINSTANCE instance;  // the painter's pictures come from the resources only through load()
}

namespace {

constexpr uint32_t Red = 0xFF0000, Blue = 0x0000FF, Green = 0x00FF00, Clear = 0xFF00FF;

// A 32-bit top-down bitmap of width x height, its pixels (0xRRGGBB) at *bits.
HBITMAP pixelsBitmap(int width, int height, uint32_t** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* p = nullptr;
  HBITMAP b = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p, nullptr, 0);
  *bits = static_cast<uint32_t*>(p);
  return b;
}

// Two 2 x 1 pictures, red then clear, and clear then blue, drawn onto green: the clear pixels keep the
// green; a place one pixel wide cuts a picture; an index past the strip draws nothing.
TEST(StripPainter, DrawsPicturesOverTheBackgroundThroughTheirClearColour) {
  uint32_t* strip = nullptr;
  HBITMAP pictures = pixelsBitmap(4, 1, &strip);
  ASSERT_NE(pictures, nullptr);
  const uint32_t stripPixels[] = {Red, Clear, Clear, Blue};
  std::memcpy(strip, stripPixels, sizeof stripPixels);
  ui::StripPainter painter;
  ASSERT_TRUE(painter.take(pictures, 2, 2, 1, RGB(255, 0, 255)));

  uint32_t* screen = nullptr;
  ui::BitmapDc target;
  ASSERT_TRUE(target.reset(pixelsBitmap(8, 2, &screen)));
  for (int i = 0; i < 16; ++i) screen[i] = Green;
  painter.draw(target.get(), 0, 0, 0, 2, 1);
  painter.draw(target.get(), 1, 2, 0, 16, 16);  // a place larger than the picture draws it whole
  painter.draw(target.get(), 1, 4, 1, 1, 1);    // cut to its clear first pixel
  painter.draw(target.get(), 2, 6, 0, 2, 1);    // no such picture
  GdiFlush();
  const uint32_t expected[] = {Red,   Green, Green, Blue,  Green, Green, Green, Green,
                               Green, Green, Green, Green, Green, Green, Green, Green};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(screen[i] & 0xFFFFFF, expected[i]) << "pixel " << i % 8 << "," << i / 8;
}

}  // namespace
