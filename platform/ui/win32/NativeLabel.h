#pragma once
// A label as a STATIC control: plain text (an "&" is shown, not taken as a mnemonic),
// aligned as the label says, on the label's background colour. A caption wider than the
// label's box is not cut: the window grows to the text (to the right, or to the left for a
// right-aligned label), on one line.
#include "platform/ui/StdControls.h"
#include "platform/ui/win32/NativePeer.h"

namespace platform::ui::native {

class TNativeLabel : public TNativePeer {
 public:
  TNativeLabel(TLabel& label, TGdiCache& gdi, HWND parent);
  HBRUSH ControlColor(HDC dc) override { return PlainColors(dc); }

 protected:
  void Sync() override;
  void ApplyGeometry() override;

 private:
  int TextWidth() const;

  TLabel& label_;
};

}  // namespace platform::ui::native
