#include "ui/image_strip.h"

#include "ui/identity.h"

namespace ui {

namespace {

// Owns a GDI object until the end of the scope.
class Gdi {
 public:
  explicit Gdi(HGDIOBJ object) : object_(object) {}
  ~Gdi() {
    if (object_) DeleteObject(object_);
  }
  Gdi(const Gdi&) = delete;
  Gdi& operator=(const Gdi&) = delete;
  HGDIOBJ get() const { return object_; }

 private:
  HGDIOBJ object_;
};

// Owns a memory device context and keeps one bitmap selected into it.
class MemoryDc {
 public:
  explicit MemoryDc(HGDIOBJ bitmap)
      : dc_(CreateCompatibleDC(nullptr)), old_(dc_ ? SelectObject(dc_, bitmap) : nullptr) {}
  ~MemoryDc() {
    if (!dc_) return;
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The strip at width x height per picture, as a bitmap the caller deletes. COLORONCOLOR drops or repeats
// whole pixels, so the clear colour stays exactly itself. At the strip's own size (96 DPI) it is the
// bitmap as loaded.
HBITMAP sizedStrip(const ImageStrip& strip, int width, int height) {
  HBITMAP loaded = static_cast<HBITMAP>(
      LoadImageA(instance, MAKEINTRESOURCEA(strip.bitmap), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!loaded || (width == strip.width && height == strip.height)) return loaded;
  BitmapDc from;
  if (!from.reset(loaded)) return nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP sized = CreateCompatibleBitmap(screen, width * strip.count, height);
  ReleaseDC(nullptr, screen);
  if (!sized) return nullptr;
  MemoryDc to(sized);
  SetStretchBltMode(to.get(), COLORONCOLOR);
  StretchBlt(to.get(), 0, 0, width * strip.count, height, from.get(), 0, 0, strip.width * strip.count, strip.height,
             SRCCOPY);
  return sized;
}

}  // namespace

HIMAGELIST imagesFromStrip(const ImageStrip& strip, int width, int height) {
  HIMAGELIST images = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, strip.count, 0);
  Gdi sized(sizedStrip(strip, width, height));
  if (images && sized.get()) ImageList_AddMasked(images, static_cast<HBITMAP>(sized.get()), strip.clear);
  return images;
}

bool BitmapDc::reset(HBITMAP bitmap) {
  if (dc_) {
    DeleteObject(SelectObject(dc_, before_));
    DeleteDC(dc_);
    dc_ = nullptr;
  }
  if (!bitmap) return false;
  dc_ = CreateCompatibleDC(nullptr);
  if (!dc_) {
    DeleteObject(bitmap);
    return false;
  }
  before_ = SelectObject(dc_, bitmap);
  return true;
}

bool StripPainter::load(const ImageStrip& strip, int width, int height) {
  return take(sizedStrip(strip, width, height), strip.count, width, height, strip.clear);
}

// The mask is 1 where the pictures have their clear colour (a colour-to-mono BitBlt compares with the
// source's background colour); the pictures are then blacked there, so SRCPAINT leaves the background.
bool StripPainter::take(HBITMAP pictures, int count, int width, int height, COLORREF clear) {
  release();
  if (!pictures_.reset(pictures) || !mask_.reset(CreateBitmap(width * count, height, 1, 1, nullptr))) {
    release();
    return false;
  }
  SetBkColor(pictures_.get(), clear);
  BitBlt(mask_.get(), 0, 0, width * count, height, pictures_.get(), 0, 0, SRCCOPY);
  SetBkColor(pictures_.get(), RGB(0, 0, 0));
  SetTextColor(pictures_.get(), RGB(255, 255, 255));
  BitBlt(pictures_.get(), 0, 0, width * count, height, mask_.get(), 0, 0, SRCAND);
  count_ = count;
  width_ = width;
  height_ = height;
  return true;
}

void StripPainter::draw(HDC dc, int index, int x, int y, int width, int height) const {
  if (!pictures_.get() || index < 0 || index >= count_) return;
  if (width > width_) width = width_;
  if (height > height_) height = height_;
  const COLORREF text = SetTextColor(dc, RGB(0, 0, 0));
  const COLORREF back = SetBkColor(dc, RGB(255, 255, 255));
  BitBlt(dc, x, y, width, height, mask_.get(), index * width_, 0, SRCAND);
  BitBlt(dc, x, y, width, height, pictures_.get(), index * width_, 0, SRCPAINT);
  SetTextColor(dc, text);
  SetBkColor(dc, back);
}

void StripPainter::release() {
  pictures_.reset(nullptr);
  mask_.reset(nullptr);
  count_ = width_ = height_ = 0;
}

}  // namespace ui
