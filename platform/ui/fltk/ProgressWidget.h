#pragma once
// The progress bar's widget. For the toolkit backend only.
#include "platform/ui/ComCtrls.h"

#include <FL/Fl_Widget.H>

namespace platform::ui {

class TProgressWidget : public Fl_Widget {
 public:
  TProgressWidget() : Fl_Widget(0, 0, 1, 1) {}
  void Sync(TProgressBar& bar);
  void draw() override;

 private:
  double fraction_ = 0;
};

}  // namespace platform::ui
