#include "platform/ui/win32/NativeOption.h"

#include <type_traits>

namespace platform::ui::native {

std::string PlainButtonCaption(const std::string& caption) {
  std::string out;
  out.reserve(caption.size());
  for (char c : caption) {
    out += c;
    if (c == '&')
      out += '&';
  }
  return out;
}

template <typename Option>
TNativeOption<Option>::TNativeOption(Option& option, TGdiCache& gdi, HWND parent, bool group)
    : TNativePeer(option, gdi), option_(option) {
  const DWORD kind = std::is_same_v<Option, TRadioButton> ? BS_AUTORADIOBUTTON : BS_AUTOCHECKBOX;
  Create(WC_BUTTONW, kind | WS_TABSTOP | (group ? WS_GROUP : 0), 0, parent);
}

template <typename Option>
void TNativeOption<Option>::Sync() {
  HWND hwnd = Handle();
  SetText(PlainButtonCaption(option_.Caption()));
  const WPARAM state = option_.Checked() ? BST_CHECKED : BST_UNCHECKED;
  if (static_cast<WPARAM>(SendMessageW(hwnd, BM_GETCHECK, 0, 0)) != state)
    SendMessageW(hwnd, BM_SETCHECK, state, 0);
}

template <typename Option>
void TNativeOption<Option>::Command(WORD code) {
  if (code != BN_CLICKED)
    return;
  if constexpr (std::is_same_v<Option, TRadioButton>) {
    option_.Click();
  } else {
    option_.SetChecked(SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED);
  }
  // The button shows what the control decided, whatever the system did on its own.
  Update();
}

template class TNativeOption<TRadioButton>;
template class TNativeOption<TCheckBox>;

}  // namespace platform::ui::native
