#pragma once
// Radio buttons (BS_AUTORADIOBUTTON) and check boxes (BS_AUTOCHECKBOX). A click goes to the
// control, which decides the state of the whole group; the buttons then show it.
#include "platform/ui/StdControls.h"
#include "platform/ui/win32/NativePeer.h"

namespace platform::ui::native {

template <typename Option>
class TNativeOption : public TNativePeer {
 public:
  TNativeOption(Option& option, TGdiCache& gdi, HWND parent, bool group);
  void Command(WORD code) override;
  HBRUSH ControlColor(HDC dc) override { return PlainColors(dc); }

 protected:
  void Sync() override;

 private:
  Option& option_;
};

using TNativeRadioButton = TNativeOption<TRadioButton>;
using TNativeCheckBox = TNativeOption<TCheckBox>;

// A caption shown as it is written: "&" doubled so the button does not take it as a mnemonic.
std::string PlainButtonCaption(const std::string& caption);

}  // namespace platform::ui::native
