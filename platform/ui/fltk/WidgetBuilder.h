#pragma once
// Makes the widgets of a form's controls, each attached to its control by a peer, in the
// shared walk of TPeerBuilder. For the toolkit backend only.
#include "platform/ui/Control.h"

namespace platform::ui {

// Builds the widgets of the container's children (and theirs) into the toolkit group being
// built; TPeerBuilder::DetachPeers takes their peers off again.
void BuildWidgets(TWinControl& container);

}  // namespace platform::ui
