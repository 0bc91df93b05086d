#pragma once

#include "platform/ui/Control.h"

// The keyboard focus of the program's windows: the control that receives typed keys. Code
// moves it (a form puts the focus back on the field the user must fill in); the screen's
// widgets follow it when the window is shown.
namespace platform::ui {

// Gives the control the focus within its window.
void SetFocus(TControl& control);
// The control of the window that has the focus; none until code or the user moves it.
TControl* FocusedControl(const TControl& window);

}  // namespace platform::ui
