#include "platform/ui/GlowButton.h"

namespace platform::ui {

TGlowButton::TGlowButton(TWinControl* parent, std::string name)
    : TControl(parent, std::move(name)) {}

void TGlowButton::SetChecked(bool checked) {
  checked_ = checked;
  Changed();
}

void TGlowButton::SetHot(bool hot) {
  if (hot_ == hot)
    return;
  hot_ = hot;
  Changed();
}

void TGlowButton::SetPressed(bool pressed) {
  if (pressed_ == pressed)
    return;
  pressed_ = pressed;
  Changed();
}

TGlowState TGlowButton::State() const {
  if (!Enabled())
    return TGlowState::Disabled;
  if (pressed_)
    return TGlowState::Down;
  if (hot_)
    return TGlowState::Hot;
  if (checked_)
    return TGlowState::Checked;
  return TGlowState::Normal;
}

void TGlowButton::Click() {
  if (!Enabled() || !Showing())
    return;
  if (OnClick)
    OnClick(*this);
}

TColor TGradient::At(double t) const {
  auto channel = [&](int shift) {
    const double a = (from >> shift) & 0xFF;
    const double b = (to >> shift) & 0xFF;
    return static_cast<TColor>(a + (b - a) * t + 0.5) << shift;
  };
  return channel(16) | channel(8) | channel(0);
}

}  // namespace platform::ui
