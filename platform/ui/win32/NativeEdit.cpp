#include "platform/ui/win32/NativeEdit.h"

#include <algorithm>

#include "platform/win32/Win32Util.h"

namespace platform::ui::native {

TNativeEdit::TNativeEdit(TEdit& edit, TGdiCache& gdi, HWND parent, bool group)
    : TNativePeer(edit, gdi), edit_(edit) {
  Create(
      WC_EDITW,
      WS_TABSTOP | ES_AUTOHSCROLL | (edit.UpperCase() ? ES_UPPERCASE : 0) | (group ? WS_GROUP : 0),
      WS_EX_CLIENTEDGE, parent);
}

std::string TNativeEdit::WindowText() const {
  HWND hwnd = Handle();
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
  return Narrow(text);
}

void TNativeEdit::Sync() {
  HWND hwnd = Handle();
  // 0 asks the edit for its largest limit, which is what no limit means.
  SendMessageW(hwnd, EM_LIMITTEXT, static_cast<WPARAM>(std::max(0, edit_.MaxLength())), 0);
  const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  const LONG_PTR wanted = edit_.UpperCase() ? (style | ES_UPPERCASE) : (style & ~ES_UPPERCASE);
  if (wanted != style)
    SetWindowLongPtrW(hwnd, GWL_STYLE, wanted);
  if (WindowText() == edit_.Text())
    return;
  // Keep the caret where the user left it when upper case or the limit changed the text.
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  syncing_ = true;
  SetWindowTextW(hwnd, Widen(edit_.Text()).c_str());
  syncing_ = false;
  const auto length = static_cast<DWORD>(GetWindowTextLengthW(hwnd));
  SendMessageW(hwnd, EM_SETSEL, std::min(start, length), std::min(end, length));
}

void TNativeEdit::Command(WORD code) {
  if (code != EN_CHANGE || syncing_)
    return;
  const std::string typed = WindowText();
  edit_.EditedByUser(typed);
}

}  // namespace platform::ui::native
