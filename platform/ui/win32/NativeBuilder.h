#pragma once
// Makes the native windows of a form's controls, each attached to its control by a peer, in
// the shared walk of TPeerBuilder. For the Windows backend's own sources only.
#include "platform/ui/Control.h"
#include "platform/ui/win32/GdiCache.h"

namespace platform::ui::native {

class TNativeContainer;

// Builds the windows of the container's children (and theirs) inside its window; a page
// control's pages become the windows their children are built in. TPeerBuilder::DetachPeers
// takes their peers off again.
void BuildNativeWindows(TWinControl& container, TNativeContainer& window, TGdiCache& gdi);

}  // namespace platform::ui::native
