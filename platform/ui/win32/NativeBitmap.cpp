#include "platform/ui/win32/NativeBitmap.h"

#include <utility>
#include <vector>

namespace platform::ui::native {
namespace {

// A top-down 32-bit DIB section holding the picture, premultiplied when premultiply is set.
HBITMAP MakeDib(const TPicture& picture, bool premultiply) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = picture.Width();
  info.bmiHeader.biHeight = -picture.Height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits)
    return bitmap;
  const int depth = picture.Depth();
  const uint8_t* src = picture.Pixels().data();
  auto* dst = static_cast<uint8_t*>(bits);
  const size_t count = static_cast<size_t>(picture.Width()) * picture.Height();
  for (size_t i = 0; i < count; ++i, src += depth, dst += 4) {
    const unsigned alpha = depth == 4 ? src[3] : 255;
    auto scale = [&](uint8_t c) {
      return premultiply ? static_cast<uint8_t>((c * alpha + 127) / 255) : c;
    };
    dst[0] = scale(src[2]);
    dst[1] = scale(src[1]);
    dst[2] = scale(src[0]);
    dst[3] = static_cast<uint8_t>(alpha);
  }
  GdiFlush();
  return bitmap;
}

}  // namespace

TBitmap::~TBitmap() {
  if (bitmap_)
    DeleteObject(bitmap_);
}

TBitmap::TBitmap(TBitmap&& other) noexcept
    : bitmap_(std::exchange(other.bitmap_, nullptr)),
      width_(other.width_),
      height_(other.height_) {}

TBitmap& TBitmap::operator=(TBitmap&& other) noexcept {
  if (this != &other) {
    if (bitmap_)
      DeleteObject(bitmap_);
    bitmap_ = std::exchange(other.bitmap_, nullptr);
    width_ = other.width_;
    height_ = other.height_;
  }
  return *this;
}

TBitmap TBitmap::FromPicture(const TPicture& picture) {
  TBitmap out;
  if (picture.Empty())
    return out;
  out.bitmap_ = MakeDib(picture, true);
  out.width_ = picture.Width();
  out.height_ = picture.Height();
  return out;
}

void TBitmap::Draw(HDC dc, int x, int y, int width, int height) const {
  if (!bitmap_ || width <= 0 || height <= 0)
    return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap_);
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  SetStretchBltMode(dc, HALFTONE);
  AlphaBlend(dc, x, y, width, height, memory, 0, 0, width_, height_, blend);
  SelectObject(memory, old);
  DeleteDC(memory);
}

TIcon::~TIcon() {
  Reset(nullptr);
}

void TIcon::Reset(HICON icon) {
  if (icon_)
    DestroyIcon(icon_);
  icon_ = icon;
}

HICON CreateIconFromPicture(const TPicture& picture) {
  if (picture.Empty())
    return nullptr;
  HBITMAP color = MakeDib(picture, false);
  if (!color)
    return nullptr;
  // With a 32-bit colour bitmap the alpha channel decides; the mask is only required.
  // Rows of a monochrome bitmap are padded to 16 bits.
  const std::vector<uint8_t> clear(static_cast<size_t>((picture.Width() + 15) / 16) * 2 *
                                   picture.Height());
  HBITMAP mask = CreateBitmap(picture.Width(), picture.Height(), 1, 1, clear.data());
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = color;
  info.hbmMask = mask;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(color);
  if (mask)
    DeleteObject(mask);
  return icon;
}

}  // namespace platform::ui::native
