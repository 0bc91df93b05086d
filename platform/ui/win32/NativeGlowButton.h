#pragma once
// The gradient push button as an owner-drawn BUTTON: the system does the clicking, the
// keyboard and the focus; the face is drawn in the colours of the button's state. The pointer
// and the mouse button are watched on the button itself so the control knows when it is hot
// and when it is held down.
#include "platform/ui/GlowButton.h"
#include "platform/ui/win32/NativePeer.h"

namespace platform::ui::native {

class TNativeGlowButton : public TNativePeer {
 public:
  TNativeGlowButton(TGlowButton& button, TGdiCache& gdi, HWND parent, bool group);
  ~TNativeGlowButton() override;

  void Command(WORD code) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;

 protected:
  void Sync() override;

 private:
  static LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR data);
  void Pointer(UINT message, LPARAM lParam);

  TGlowButton& button_;
  bool tracking_ = false;
};

}  // namespace platform::ui::native
