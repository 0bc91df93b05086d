#pragma once
// The question box on Windows: a dialog made from a template in memory, with the question's
// own button captions (the system's message box would name its buttons in the system's
// language) and, for a secret, a masked edit. For the Windows backend's own sources only.
#include <windows.h>

#include <string>

#include "platform/ui/UiService.h"

namespace platform::ui::native {

// Shows the question modally over `owner` (may be null); the index of the button pressed, the
// cancel button's for Escape and the close box.
int AskNative(HWND owner, const TQuestion& question, std::string& edit);

}  // namespace platform::ui::native
