#pragma once
// Radio buttons' and check boxes' widget, drawn as the platform draws them: a small round or
// square box with a dot or a tick, the caption beside it. For the toolkit backend only.
#include <FL/Fl_Button.H>

namespace platform::ui {

class TOptionWidget : public Fl_Button {
 public:
  explicit TOptionWidget(bool round);
  template <typename Control>
  void Sync(Control& control) {
    copy_label(control.Caption().c_str());
    value(control.Checked() ? 1 : 0);
  }
  void draw() override;

 private:
  bool round_;
};

}  // namespace platform::ui
