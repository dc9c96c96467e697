#pragma once
// Pictures drawn side by side in one bitmap resource, made into an image list at the screen's size, or
// kept ready to draw.
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

// A memory DC that owns the bitmap selected into it.
class BitmapDc {
 public:
  BitmapDc() = default;
  ~BitmapDc() { reset(nullptr); }
  BitmapDc(const BitmapDc&) = delete;
  BitmapDc& operator=(const BitmapDc&) = delete;
  // Ends what it held and takes bitmap (deleted at once when no DC can be made); false when it holds none.
  bool reset(HBITMAP bitmap);
  HDC get() const { return dc_; }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ before_ = nullptr;
};

// The strip at a size, kept as its pictures (black where clear) and their mask, each in its own memory
// DC: a picture is two BitBlts. An image list makes and frees a bitmap for every picture it draws, a
// third of a millisecond each under Wine, most of a list's paint with an icon on every row.
class StripPainter {
 public:
  // False (and nothing to draw) when there is no memory.
  bool load(const ImageStrip& strip, int width, int height);
  // Takes over count pictures of width x height side by side, clear where they have the colour clear.
  bool take(HBITMAP pictures, int count, int width, int height, COLORREF clear);
  // Picture index with its top left at x, y, cut to at most width x height; nothing if out of range.
  void draw(HDC dc, int index, int x, int y, int width, int height) const;
  void release();

 private:
  BitmapDc pictures_, mask_;
  int count_ = 0, width_ = 0, height_ = 0;
};

}  // namespace ui
