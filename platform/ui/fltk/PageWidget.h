#pragma once
// One page's widget inside the page control's. For the toolkit backend only.
#include "platform/ui/ComCtrls.h"

#include <FL/Fl_Group.H>

namespace platform::ui {

class TPageWidget : public Fl_Group {
 public:
  TPageWidget() : Fl_Group(0, 0, 1, 1) { end(); }
  void Sync(TTabSheet& page);
};

}  // namespace platform::ui
