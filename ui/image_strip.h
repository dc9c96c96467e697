#pragma once
// Pictures drawn side by side in one bitmap resource, made into an image list at the screen's size.
#include <windows.h>
// After windows.h, whose types it needs.
#include <commctrl.h>

namespace ui {

struct ImageStrip {
  int bitmap;  // the resource
  int count;   // pictures in it
  int width;   // of one picture, in the bitmap's pixels
  int height;
  COLORREF clear;  // the colour that shows what is behind
};

// The strip stretched pixel for pixel (no blur on drawn pixels) to pictures of width x height, its clear
// colour made transparent. Null when there is no memory; the caller owns the list.
HIMAGELIST imagesFromStrip(const ImageStrip& strip, int width, int height);

}  // namespace ui
