#pragma once
// A picture control has no window: its container draws it, in the place TImage::DrawRect
// gives, blending pictures with transparency onto the background. For the Windows backend's
// own sources only.
#include <windows.h>

#include "platform/ui/Picture.h"
#include "platform/ui/win32/NativeBitmap.h"

namespace platform::ui::native {

class TNativeContainer;

class TNativeImage : public TControlPeer {
 public:
  TNativeImage(TImage& image, TNativeContainer& container);
  ~TNativeImage() override;
  TNativeImage(const TNativeImage&) = delete;
  TNativeImage& operator=(const TNativeImage&) = delete;

  // Drops the drawn copy and asks the container to paint the picture's area again.
  void Update() override;
  void Paint(HDC dc);

 private:
  RECT Area() const;

  TImage& image_;
  TNativeContainer& container_;
  TBitmap bitmap_;
  RECT painted_{};  // the area last drawn, repainted too when the picture moves
};

}  // namespace platform::ui::native
