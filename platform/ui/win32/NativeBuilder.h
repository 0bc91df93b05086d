#pragma once
// Makes the native windows of a form's controls, each attached to its control by a peer.
// For the Windows backend's own sources only.
#include "platform/ui/ComCtrls.h"
#include "platform/ui/win32/GdiCache.h"

namespace platform::ui::native {

class TNativeContainer;

class TNativeBuilder {
 public:
  // Builds the windows of the container's children (and theirs) inside its window. Children
  // the Tab key skips come first in creation order, then the others in tab order: the dialog
  // keys move the focus in the order the windows were made. Each run of radio buttons is one
  // group; every other control that the Tab key stops at starts a group of its own.
  static void BuildChildren(TWinControl& container, TNativeContainer& window, TGdiCache& gdi);
  // Takes the peers off the control and everything in it, the innermost first.
  static void DetachPeers(TControl& control);

 private:
  static void BuildControl(TControl& control, TNativeContainer& window, TGdiCache& gdi, bool group);
  static void BuildPageControl(TPageControl& pc, TNativeContainer& window, TGdiCache& gdi,
                               bool group);
};

}  // namespace platform::ui::native
