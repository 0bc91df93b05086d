#pragma once
// Makes the widgets of a form's controls, each attached to its control by a peer. For the
// toolkit backend only.
#include "platform/ui/Control.h"

namespace platform::ui {

class TWidgetBuilder {
 public:
  // Builds the widgets of the container's children (and theirs) into the toolkit group being
  // built. Children are added in screen order for the ones the Tab key skips, then in tab
  // order, as the toolkit moves the focus in the order of its children.
  static void BuildChildren(TWinControl& container);
  // Takes the peers off the control and everything in it: the widgets go with their window.
  static void DetachPeers(TControl& control);

 private:
  static void BuildControl(TControl& control);
  static void BuildPageControl(class TPageControl& pc);
};

}  // namespace platform::ui
