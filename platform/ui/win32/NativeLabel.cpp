#include "platform/ui/win32/NativeLabel.h"

namespace platform::ui::native {
namespace {

DWORD AlignmentStyle(TAlignment alignment) {
  switch (alignment) {
    case TAlignment::RightJustify:
      return SS_RIGHT;
    case TAlignment::Center:
      return SS_CENTER;
    default:
      return SS_LEFT;
  }
}

}  // namespace

TNativeLabel::TNativeLabel(TLabel& label, TGdiCache& gdi, HWND parent)
    : TNativePeer(label, gdi), label_(label) {
  Create(WC_STATICW, SS_NOPREFIX | AlignmentStyle(label.Alignment()), 0, parent);
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
