#include "ui/image_strip.h"

#include "ui/app.h"

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

}  // namespace

// COLORONCOLOR drops or repeats whole pixels, so the clear colour stays exactly itself. At the strip's
// own size (96 DPI) it goes in as loaded.
HIMAGELIST imagesFromStrip(const ImageStrip& strip, int width, int height) {
  HIMAGELIST images = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, strip.count, 0);
  Gdi bitmap(LoadImageA(instance, MAKEINTRESOURCEA(strip.bitmap), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (width == strip.width && height == strip.height) {
    if (images && bitmap.get()) ImageList_AddMasked(images, static_cast<HBITMAP>(bitmap.get()), strip.clear);
    return images;
  }
  HDC screen = GetDC(nullptr);
  Gdi sized(CreateCompatibleBitmap(screen, width * strip.count, height));
  ReleaseDC(nullptr, screen);
  if (!images || !bitmap.get() || !sized.get()) return images;
  {
    MemoryDc from(bitmap.get()), to(sized.get());
    SetStretchBltMode(to.get(), COLORONCOLOR);
    StretchBlt(to.get(), 0, 0, width * strip.count, height, from.get(), 0, 0, strip.width * strip.count, strip.height,
               SRCCOPY);
  }
  ImageList_AddMasked(images, static_cast<HBITMAP>(sized.get()), strip.clear);
  return images;
}

}  // namespace ui
