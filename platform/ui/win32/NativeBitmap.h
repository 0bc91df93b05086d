#pragma once
// A picture as a device-independent bitmap (32 bits a pixel, alpha premultiplied as the
// system's blending wants it), and the icon made from one. For the Windows backend's own
// sources only.
#include <windows.h>

#include "platform/ui/Picture.h"

namespace platform::ui::native {

class TBitmap {
 public:
  TBitmap() = default;
  ~TBitmap();
  TBitmap(TBitmap&& other) noexcept;
  TBitmap& operator=(TBitmap&& other) noexcept;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  // Empty when the picture is empty or the system has no room for it.
  static TBitmap FromPicture(const TPicture& picture);

  explicit operator bool() const { return bitmap_ != nullptr; }
  HBITMAP Get() const { return bitmap_; }
  // Draws the whole bitmap into the rectangle, scaled to it, blended onto what is there.
  void Draw(HDC dc, int x, int y, int width, int height) const;

 private:
  HBITMAP bitmap_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// The owner of an icon handle.
class TIcon {
 public:
  TIcon() = default;
  explicit TIcon(HICON icon) : icon_(icon) {}
  ~TIcon();
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;
  // Takes the icon; the one held before is destroyed.
  void Reset(HICON icon);
  HICON Get() const { return icon_; }

 private:
  HICON icon_ = nullptr;
};

// The picture as an icon with its transparency; null for an empty picture.
HICON CreateIconFromPicture(const TPicture& picture);

}  // namespace platform::ui::native
