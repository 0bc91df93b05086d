#include "platform/ui/win32/NativePeer.h"

#include "platform/win32/Win32Util.h"

namespace platform::ui::native {

TNativePeer::~TNativePeer() {
  // The window may outlive its peer for a moment (the form destroys its children after the
  // peers went): it must not point at a peer that is gone.
  if (HWND hwnd = Handle())
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
}

HWND TNativePeer::Handle() const {
  if (!hwnd_ || !IsWindow(hwnd_))
    return nullptr;
  // A handle of a destroyed window may be reused for another one: ours still names its peer.
  if (GetWindowLongPtrW(hwnd_, GWLP_USERDATA) != reinterpret_cast<LONG_PTR>(this))
    return nullptr;
  return hwnd_;
}

TNativePeer* TNativePeer::FromHandle(HWND hwnd) {
  if (!hwnd)
    return nullptr;
  return reinterpret_cast<TNativePeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void TNativePeer::Create(const wchar_t* windowClass, DWORD style, DWORD exStyle, HWND parent) {
  HWND hwnd = CreateWindowExW(exStyle, windowClass, L"", WS_CHILD | WS_CLIPSIBLINGS | style,
                              control_.Left(), control_.Top(), control_.Width(), control_.Height(),
                              parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd)
    Adopt(hwnd);
}

void TNativePeer::Adopt(HWND hwnd) {
  hwnd_ = hwnd;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void TNativePeer::ApplyGeometry() {
  HWND hwnd = Handle();
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  if (r.left == control_.Left() && r.top == control_.Top() &&
      r.right - r.left == control_.Width() && r.bottom - r.top == control_.Height())
    return;
  SetWindowPos(hwnd, nullptr, control_.Left(), control_.Top(), control_.Width(), control_.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TNativePeer::Update() {
  HWND hwnd = Handle();
  if (!hwnd)
    return;
  ApplyGeometry();
  HFONT font = gdi_.Font(control_.Font());
  if (font != font_) {
    font_ = font;
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  if (enabled != control_.Enabled())
    EnableWindow(hwnd, control_.Enabled() ? TRUE : FALSE);
  Sync();
  if (OwnsVisibility()) {
    const bool visible = (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    if (visible != control_.Visible())
      ShowWindow(hwnd, control_.Visible() ? SW_SHOWNA : SW_HIDE);
  }
  InvalidateRect(hwnd, nullptr, TRUE);
}

void TNativePeer::TakeFocus() {
  if (HWND hwnd = Handle())
    ::SetFocus(hwnd);
}

void TNativePeer::SetText(const std::string& text) {
  HWND hwnd = Handle();
  const std::wstring wide = Widen(text);
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring current(static_cast<size_t>(length) + 1, L'\0');
  current.resize(static_cast<size_t>(GetWindowTextW(hwnd, current.data(), length + 1)));
  if (current != wide)
    SetWindowTextW(hwnd, wide.c_str());
}

HBRUSH TNativePeer::PlainColors(HDC dc) {
  SetTextColor(dc, ToColorRef(control_.Font().color));
  SetBkColor(dc, ToColorRef(control_.Color()));
  return gdi_.Brush(control_.Color());
}

}  // namespace platform::ui::native
