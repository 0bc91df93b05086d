#include "platform/ui/win32/NativeLabel.h"

#include <algorithm>

#include "platform/win32/Win32Util.h"

namespace platform::ui::native {
namespace {

DWORD AlignmentStyle(TAlignment alignment) {
  switch (alignment) {
    case TAlignment::RightJustify:
      return SS_RIGHT;
    case TAlignment::Center:
      return SS_CENTER;
    default:
      return SS_LEFTNOWORDWRAP;
  }
}

}  // namespace

TNativeLabel::TNativeLabel(TLabel& label, TGdiCache& gdi, HWND parent)
    : TNativePeer(label, gdi), label_(label) {
  Create(WC_STATICW, SS_NOPREFIX | AlignmentStyle(label.Alignment()), 0, parent);
}

int TNativeLabel::TextWidth() const {
  HWND hwnd = Handle();
  const std::wstring text = Widen(label_.Caption());
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, Gdi().Font(label_.Font()));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return size.cx;
}

void TNativeLabel::ApplyGeometry() {
  HWND hwnd = Handle();
  const int width = std::max(label_.Width(), TextWidth());
  const int left = label_.Alignment() == TAlignment::RightJustify
                       ? label_.Left() + label_.Width() - width
                       : label_.Left();
  SetWindowPos(hwnd, nullptr, left, label_.Top(), width, label_.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TNativeLabel::Sync() {
  HWND hwnd = Handle();
  const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  const LONG_PTR wanted = (style & ~static_cast<LONG_PTR>(SS_TYPEMASK)) |
                          static_cast<LONG_PTR>(AlignmentStyle(label_.Alignment()));
  if (wanted != style)
    SetWindowLongPtrW(hwnd, GWL_STYLE, wanted);
  SetText(label_.Caption());
}

}  // namespace platform::ui::native
