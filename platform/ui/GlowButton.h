#pragma once
#include <optional>

#include "platform/ui/Control.h"

// The gradient push button. Each half of the face (the upper one and its lower mirror) is
// filled with a gradient from one colour to another; the colours, the direction and the
// border depend on the button's state.
namespace platform::ui {

enum class TGlowState { Normal, Hot, Down, Checked, Disabled };
enum class TGradientDirection { Horizontal, Vertical };

struct TGradient {
  TColor from = clBlue;
  TColor to = clBlue;
  TGradientDirection direction = TGradientDirection::Horizontal;

  // The colour at t (0 at the first colour, 1 at the second) along the gradient.
  TColor At(double t) const;
};

struct TGlowColors {
  TGradient upper;
  TGradient lower;
  std::optional<TColor> border;  // none: the face is drawn to the edge
};

class TGlowButton : public TControl {
 public:
  TGlowButton(TWinControl* parent, std::string name);
  bool TabStop() const override { return true; }

  // The colours of each state; the button's default direction is horizontal.
  TGlowColors& StateColors(TGlowState state) { return colors_[static_cast<int>(state)]; }
  const TGlowColors& StateColors(TGlowState state) const {
    return colors_[static_cast<int>(state)];
  }

  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

  // What the pointer and the mouse button do to the face: hot while the pointer is over the
  // button, down while it is held pressed on it.
  void SetHot(bool hot);
  void SetPressed(bool pressed);
  // The state the face is drawn in now: disabled wins, then down, hot and checked.
  TGlowState State() const;

  // The user presses and releases the button (or the space bar while it has the focus).
  // A disabled button does nothing.
  void Click();

  TNotifyEvent OnClick;

 private:
  TGlowColors colors_[5];
  bool checked_ = false;
  bool hot_ = false;
  bool pressed_ = false;
};

}  // namespace platform::ui
