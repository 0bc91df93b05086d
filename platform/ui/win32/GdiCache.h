#pragma once
// The fonts and solid brushes the native controls draw with, made once per font or colour
// and released together when the window goes. For the Windows backend's own sources only.
#include <windows.h>

#include <map>
#include <string>
#include <tuple>

#include "platform/ui/Control.h"

namespace platform::ui::native {

// TColor is 0xRRGGBB; the system's COLORREF is 0x00BBGGRR.
COLORREF ToColorRef(TColor color);

class TGdiCache {
 public:
  TGdiCache() = default;
  ~TGdiCache();
  TGdiCache(const TGdiCache&) = delete;
  TGdiCache& operator=(const TGdiCache&) = delete;

  // The font by name, bold or regular, with a character height in pixels (the control's
  // font height, as the platform's negative LOGFONT height).
  HFONT Font(const TFont& font);
  HBRUSH Brush(TColor color);

 private:
  std::map<std::tuple<std::string, int, bool>, HFONT> fonts_;
  std::map<TColor, HBRUSH> brushes_;
};

}  // namespace platform::ui::native
