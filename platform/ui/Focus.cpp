#include "platform/ui/Focus.h"

namespace platform::ui {
namespace {

TControl& WindowOf(const TControl& control) {
  const TControl* top = &control;
  while (top->Parent())
    top = top->Parent();
  return const_cast<TControl&>(*top);
}

}  // namespace

// The window keeps its focused control, so the record goes with the window and its controls,
// which the window owns; the widget on the screen, when the window is shown, follows at once.
void SetFocus(TControl& control) {
  WindowOf(control).SetFocusedChild(&control);
  if (control.Peer())
    control.Peer()->TakeFocus();
}

TControl* FocusedControl(const TControl& window) {
  return WindowOf(window).FocusedChild();
}

}  // namespace platform::ui
