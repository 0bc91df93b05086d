#pragma once
// A page of a page control: a container window inside the tab control, shown while it is the
// active page. Its controls are reached with the Tab key from the tab control.
#include "platform/ui/ComCtrls.h"
#include "platform/ui/win32/NativeContainer.h"

namespace platform::ui::native {

class TNativePage : public TNativeContainer {
 public:
  TNativePage(TTabSheet& page, TGdiCache& gdi, HWND tabControl);
  // The page control shows and hides its pages.
  void Show(bool shown);

 protected:
  void Sync() override {}
  bool OwnsVisibility() const override { return false; }
};

}  // namespace platform::ui::native
