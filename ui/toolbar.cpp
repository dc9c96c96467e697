#include "ui/toolbar.h"

#include <commctrl.h>

#include "ui/app.h"
#include "ui/dpi.h"
#include "ui/resources/resource.h"

namespace ui {

namespace {
// Bitmap 107 is a strip of four 16 x 15 images on a silver face; the list update shows the first.
constexpr int BitmapImages = 4;
constexpr int ImageWidth = 16;
constexpr int ImageHeight = 15;
constexpr int SeparatorWidth = 8;
constexpr COLORREF Face = RGB(192, 192, 192);

char updateTip[] = "リストのアップデート";
char noTip[] = "";

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

// The strip stretched to the DPI, pixel for pixel (no blur on drawn pixels), silver made transparent.
HIMAGELIST imagesFor(int dpi) {
  const int w = scaled(ImageWidth, dpi), h = scaled(ImageHeight, dpi);
  HIMAGELIST images = ImageList_Create(w, h, ILC_COLOR24 | ILC_MASK, BitmapImages, 0);
  Gdi strip(LoadImageA(instance, MAKEINTRESOURCEA(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  HDC screen = GetDC(nullptr);
  Gdi big(CreateCompatibleBitmap(screen, w * BitmapImages, h));
  ReleaseDC(nullptr, screen);
  if (!images || !strip.get() || !big.get()) return images;
  {
    MemoryDc from(strip.get()), to(big.get());
    SetStretchBltMode(to.get(), COLORONCOLOR);
    StretchBlt(to.get(), 0, 0, w * BitmapImages, h, from.get(), 0, 0, ImageWidth * BitmapImages, ImageHeight, SRCCOPY);
  }
  ImageList_AddMasked(images, static_cast<HBITMAP>(big.get()), Face);
  return images;
}

void setImages(HWND bar, int dpi) {
  HIMAGELIST old =
      reinterpret_cast<HIMAGELIST>(SendMessageA(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(imagesFor(dpi))));
  if (old) ImageList_Destroy(old);
  TBBUTTONINFOA separator = {};
  separator.cbSize = sizeof separator;
  separator.dwMask = TBIF_SIZE | TBIF_BYINDEX;
  separator.cx = static_cast<WORD>(scaled(SeparatorWidth, dpi));
  SendMessageA(bar, TB_SETBUTTONINFOA, 0, reinterpret_cast<LPARAM>(&separator));
}

}  // namespace

HWND createToolbar(HWND parent, int dpi) {
  HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                             WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE | TBSTYLE_FLAT, 0, 0, 0, 0,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)), instance, nullptr);
  if (!bar) return nullptr;
  SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBBUTTON buttons[2] = {
      {0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {0}, 0, 0},
      {0, IDM_UPDATE_LIST, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0}, 0, 0},
  };
  SendMessageA(bar, TB_ADDBUTTONSA, 2, reinterpret_cast<LPARAM>(buttons));
  setImages(bar, dpi);
  return bar;
}

void rescaleToolbar(HWND bar, int dpi) {
  if (!bar) return;
  setImages(bar, dpi);
  SendMessageA(bar, TB_AUTOSIZE, 0, 0);
}

void destroyToolbarImages(HWND bar) {
  if (!bar) return;
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(bar, TB_SETIMAGELIST, 0, 0));
  if (images) ImageList_Destroy(images);
}

int layOutToolbar(HWND bar) {
  if (!bar) return 0;
  SendMessageA(bar, TB_AUTOSIZE, 0, 0);
  RECT r;
  GetWindowRect(bar, &r);
  return r.bottom - r.top;
}

void supplyToolTip(NMHDR* header) {
  if (header->code != TTN_NEEDTEXTA) return;
  NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
  info->lpszText = header->idFrom == IDM_UPDATE_LIST ? updateTip : noTip;
}

}  // namespace ui
