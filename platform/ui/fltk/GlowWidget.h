#pragma once
// The gradient push button's widget. For the toolkit backend only.
#include "platform/ui/GlowButton.h"

#include <FL/Fl_Widget.H>

namespace platform::ui {

class TGlowWidget : public Fl_Widget {
 public:
  explicit TGlowWidget(TGlowButton& button) : Fl_Widget(0, 0, 1, 1), button_(button) {}
  void Sync(TGlowButton& button) { copy_label(button.Caption().c_str()); }
  void draw() override;
  int handle(int event) override;

 private:
  TGlowButton& button_;
};

}  // namespace platform::ui
