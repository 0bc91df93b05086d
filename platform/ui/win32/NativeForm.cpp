#include "platform/ui/win32/NativeForm.h"

#include "platform/ui/EventDispatch.h"
#include "platform/ui/StdControls.h"
#include "platform/win32/Win32Util.h"

namespace platform::ui::native {
namespace {

DWORD FormStyle(const TForm& form) {
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  if (form.Resizable())
    style |= WS_THICKFRAME;
  if (form.MinimizeBox())
    style |= WS_MINIMIZEBOX;
  if (form.MaximizeBox())
    style |= WS_MAXIMIZEBOX;
  return style;
}

constexpr DWORD kFormExStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

// Posted to itself by a closed form's window: it goes once the handler that closed the form
// (which may be running inside one of its controls) has returned.
constexpr UINT kDestroyMessage = WM_APP + 1;

// The first control of the window that the Tab key stops at: in a group of radio buttons the
// checked one, as the dialog keys go.
TControl* FirstTabStop(const TWinControl& container) {
  for (TControl* control : container.TabList()) {
    if (!control->Visible() || !control->Enabled())
      continue;
    auto* radio = dynamic_cast<TRadioButton*>(control);
    if (radio && !radio->Checked())
      continue;
    return control;
  }
  return nullptr;
}

}  // namespace

TNativeForm::TNativeForm(TForm& form, TGdiCache& gdi) : TNativeContainer(form, gdi), form_(form) {
  RECT r{0, 0, form.Width(), form.Height()};
  AdjustWindowRectEx(&r, FormStyle(form), FALSE, kFormExStyle);
  HWND hwnd =
      CreateWindowExW(kFormExStyle, WindowClass(), Widen(form.Caption()).c_str(), FormStyle(form),
                      CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr,
                      nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!hwnd)
    return;
  Adopt(hwnd);
  icon_.Reset(CreateIconFromPicture(form.Icon()));
  if (icon_.Get()) {
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Get()));
  }
}

TNativeForm::~TNativeForm() {
  if (HWND hwnd = Handle()) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
  }
}

// The window's outer size follows the form's client size; where it stands is the window's own
// (centred when shown).
void TNativeForm::ApplyGeometry() {
  HWND hwnd = Handle();
  RECT client{};
  GetClientRect(hwnd, &client);
  if (client.right == form_.Width() && client.bottom == form_.Height())
    return;
  RECT r{0, 0, form_.Width(), form_.Height()};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
  SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TNativeForm::Sync() {
  HWND hwnd = Handle();
  SetText(form_.Caption());
  if (!form_.Closed() || closing_)
    return;
  closing_ = true;
  ShowWindow(hwnd, SW_HIDE);
  PostMessageW(hwnd, kDestroyMessage, 0, 0);
}

void TNativeForm::Show() {
  HWND hwnd = Handle();
  if (!hwnd || form_.Closed())
    return;
  if (form_.CenterOnScreen()) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT r{};
    GetWindowRect(hwnd, &r);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - w) / 2,
                 work.top + (work.bottom - work.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  FocusFirstControl();
}

void TNativeForm::FocusFirstControl() {
  TControl* control = form_.FocusedChild();
  if (!control)
    control = FirstTabStop(form_);
  if (control && control->Peer())
    control->Peer()->TakeFocus();
}

bool TNativeForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_CLOSE:
      // The form decides: its close destroys the window through Sync.
      Dispatch([this] { form_.CloseByUser(); });
      result = 0;
      return true;
    case kDestroyMessage:
      DestroyWindow(Handle());
      result = 0;
      return true;
    default:
      return TNativeContainer::HandleMessage(message, wParam, lParam, result);
  }
}

}  // namespace platform::ui::native
