#pragma once
// The label's widget. For the toolkit backend only.
#include "platform/ui/StdControls.h"

#include <FL/Fl_Box.H>

namespace platform::ui {

class TLabelWidget : public Fl_Box {
 public:
  TLabelWidget() : Fl_Box(0, 0, 1, 1) {}
  void Sync(TLabel& label);
};

}  // namespace platform::ui
