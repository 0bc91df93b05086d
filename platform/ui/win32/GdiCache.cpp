#include "platform/ui/win32/GdiCache.h"

#include "platform/win32/Win32Util.h"

namespace platform::ui::native {

COLORREF ToColorRef(TColor color) {
  return RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

TGdiCache::~TGdiCache() {
  for (const auto& [key, font] : fonts_)
    DeleteObject(font);
  for (const auto& [key, brush] : brushes_)
    DeleteObject(brush);
}

HFONT TGdiCache::Font(const TFont& font) {
  const auto key = std::make_tuple(font.name, font.height, font.bold);
  if (auto it = fonts_.find(key); it != fonts_.end())
    return it->second;
  LOGFONTW lf{};
  lf.lfHeight = -font.height;
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::wstring face = Widen(font.name);
  // The face name field holds 31 characters and the terminator.
  face.copy(lf.lfFaceName, LF_FACESIZE - 1);
  HFONT handle = CreateFontIndirectW(&lf);
  if (!handle)
    handle = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts_.emplace(key, handle);
  return handle;
}

HBRUSH TGdiCache::Brush(TColor color) {
  if (auto it = brushes_.find(color); it != brushes_.end())
    return it->second;
  HBRUSH brush = CreateSolidBrush(ToColorRef(color));
  brushes_.emplace(color, brush);
  return brush;
}

}  // namespace platform::ui::native
