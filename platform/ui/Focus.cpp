#include "platform/ui/Focus.h"

#include <map>

namespace platform::ui {
namespace {

const TControl& WindowOf(const TControl& control) {
  const TControl* top = &control;
  while (top->Parent())
    top = top->Parent();
  return *top;
}

// One focused control per window, on the one user-interface thread.
std::map<const TControl*, TControl*>& FocusByWindow() {
  static std::map<const TControl*, TControl*> focus;
  return focus;
}

}  // namespace

void SetFocus(TControl& control) {
  FocusByWindow()[&WindowOf(control)] = &control;
}

TControl* FocusedControl(const TControl& window) {
  auto& focus = FocusByWindow();
  auto found = focus.find(&WindowOf(window));
  return found == focus.end() ? nullptr : found->second;
}

}  // namespace platform::ui
