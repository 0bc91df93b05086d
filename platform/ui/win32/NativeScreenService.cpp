#include "platform/ui/win32/NativeScreenService.h"

#include <commctrl.h>

#include <memory>

#include "platform/ui/ComCtrls.h"
#include "platform/ui/EventDispatch.h"
#include "platform/ui/Form.h"
#include "platform/ui/PeerBuilder.h"
#include "platform/ui/win32/NativeBuilder.h"
#include "platform/ui/win32/NativeForm.h"
#include "platform/ui/win32/NativeQuestion.h"
#include "platform/win32/Win32Util.h"

namespace platform::ui {
namespace native {
namespace {

// One pass of ProcessMessages handles at most this many messages, so a flood of input can't
// hold up the work that asked for the pass.
constexpr int kMaxMessagesPerPass = 1000;

// The page control whose window holds the focus, if any.
TPageControl* PageControlWithFocus(const TWinControl& container, HWND focus) {
  for (const auto& child : container.Children()) {
    auto* pc = dynamic_cast<TPageControl*>(child.get());
    auto* peer = pc ? dynamic_cast<TNativePeer*>(pc->Peer()) : nullptr;
    HWND hwnd = peer ? peer->Handle() : nullptr;
    if (hwnd && (focus == hwnd || IsChild(hwnd, focus)))
      return pc;
    if (auto* inner = dynamic_cast<TWinControl*>(child.get())) {
      if (TPageControl* found = PageControlWithFocus(*inner, focus))
        return found;
    }
  }
  return nullptr;
}

// The form whose window owns the message boxes while its loop runs; the outer loop's again
// when it ends, however it ends.
class TOwnerScope {
 public:
  TOwnerScope(TForm*& form, TNativeForm*& window, TForm* inner, TNativeForm* innerWindow)
      : form_(form), window_(window), outerForm_(form), outerWindow_(window) {
    form_ = inner;
    window_ = innerWindow;
  }
  ~TOwnerScope() {
    form_ = outerForm_;
    window_ = outerWindow_;
  }
  TOwnerScope(const TOwnerScope&) = delete;
  TOwnerScope& operator=(const TOwnerScope&) = delete;

 private:
  TForm*& form_;
  TNativeForm*& window_;
  TForm* const outerForm_;
  TNativeForm* const outerWindow_;
};

}  // namespace

TNativeScreenService::TNativeScreenService() {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
}

void TNativeScreenService::Box(const std::string& caption, const std::string& text, UINT icon) {
  HWND owner = window_ ? window_->Handle() : nullptr;
  MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), MB_OK | icon);
}

void TNativeScreenService::ShowMessage(const std::string& caption, const std::string& text) {
  Box(caption, text, 0);
}

void TNativeScreenService::ShowError(const std::string& caption, const std::string& text) {
  Box(caption, text, MB_ICONERROR);
}

int TNativeScreenService::Ask(const TQuestion& question, std::string& edit) {
  HWND owner = window_ ? window_->Handle() : nullptr;
  return AskNative(owner, question, edit);
}

// Ctrl+Tab and Ctrl+Shift+Tab turn the pages of the page control that holds the focus.
bool TNativeScreenService::SwitchPage(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || !form_ ||
      !(GetKeyState(VK_CONTROL) & 0x8000))
    return false;
  TPageControl* pc = PageControlWithFocus(*form_, GetFocus());
  if (!pc)
    return false;
  const bool forward = !(GetKeyState(VK_SHIFT) & 0x8000);
  Dispatch([pc, forward] { pc->SelectNextPage(forward); });
  return true;
}

void TNativeScreenService::Deliver(MSG& message) {
  if (SwitchPage(message))
    return;
  HWND hwnd = window_ ? window_->Handle() : nullptr;
  if (hwnd && IsDialogMessageW(hwnd, &message))
    return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void TNativeScreenService::ProcessMessages() {
  MSG message{};
  for (int i = 0; i < kMaxMessagesPerPass; ++i) {
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
      return;
    if (message.message == WM_QUIT) {
      // Left for the message loop that waits for it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Deliver(message);
  }
}

void TNativeScreenService::Run(TForm& form,
                               const std::function<void(const std::exception&)>& onError) {
  const TEventErrorHandler handler = onError;
  const TEventErrorRoute route(&handler);
  TGdiCache gdi;
  // Declared after what the windows draw with: every window goes before it.
  const TShownPeers peers(form);
  form.SetPeer(std::make_unique<TNativeForm>(form, gdi));
  auto& window = static_cast<TNativeForm&>(*form.Peer());
  const TOwnerScope owner(form_, window_, &form, &window);
  BuildNativeWindows(form, window, gdi);
  window.Update();
  window.Show();
  if (!form.Closed())
    form.Shown();
  MSG message{};
  while (window.Handle()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0)
      break;  // the program is asked to end, or the queue failed
    Deliver(message);
  }
}

}  // namespace native

std::unique_ptr<IUiService> CreateScreenService() {
  return std::make_unique<native::TNativeScreenService>();
}

}  // namespace platform::ui
