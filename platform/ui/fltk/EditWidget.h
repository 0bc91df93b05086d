#pragma once
// The single-line edit's widget. For the toolkit backend only.
#include "platform/ui/StdControls.h"

#include <FL/Fl_Input.H>

namespace platform::ui {

class TEditWidget : public Fl_Input {
 public:
  explicit TEditWidget(TEdit& edit);
  void Sync(TEdit& edit);

 private:
  TEdit& edit_;
};

}  // namespace platform::ui
