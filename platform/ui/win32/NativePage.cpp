#include "platform/ui/win32/NativePage.h"

namespace platform::ui::native {

TNativePage::TNativePage(TTabSheet& page, TGdiCache& gdi, HWND tabControl)
    : TNativeContainer(page, gdi) {
  Create(WindowClass(), WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, tabControl);
}

void TNativePage::Show(bool shown) {
  HWND hwnd = Handle();
  if (!hwnd)
    return;
  const bool visible = (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
  if (visible != shown)
    ShowWindow(hwnd, shown ? SW_SHOWNA : SW_HIDE);
}

}  // namespace platform::ui::native
