#include "platform/ui/win32/NativeImage.h"

#include "platform/ui/win32/NativeContainer.h"

namespace platform::ui::native {

TNativeImage::TNativeImage(TImage& image, TNativeContainer& container)
    : image_(image), container_(container) {
  container_.AddImage(this);
}

TNativeImage::~TNativeImage() {
  container_.RemoveImage(this);
}

RECT TNativeImage::Area() const {
  return RECT{image_.Left(), image_.Top(), image_.Left() + image_.Width(),
              image_.Top() + image_.Height()};
}

void TNativeImage::Update() {
  bitmap_ = TBitmap();
  HWND hwnd = container_.Handle();
  if (!hwnd)
    return;
  InvalidateRect(hwnd, &painted_, TRUE);
  const RECT area = Area();
  InvalidateRect(hwnd, &area, TRUE);
}

void TNativeImage::Paint(HDC dc) {
  painted_ = Area();
  const TPicture& picture = image_.Picture();
  if (picture.Empty() || !image_.Showing())
    return;
  if (!bitmap_)
    bitmap_ = TBitmap::FromPicture(picture);
  if (!bitmap_)
    return;
  const TRect r = image_.DrawRect();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, painted_.left, painted_.top, painted_.right, painted_.bottom);
  bitmap_.Draw(dc, image_.Left() + r.left, image_.Top() + r.top, r.width, r.height);
  RestoreDC(dc, saved);
}

}  // namespace platform::ui::native
