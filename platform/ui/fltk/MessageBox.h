#pragma once
// The modal message box: caption, text, one OK button, and the error icon when asked; and the
// question box, with buttons of its own and an optional masked edit. Both carry the program's
// icon (the toolkit's default icon) in their title bar. For the toolkit backend only.
#include <string>

#include "platform/ui/UiService.h"

namespace platform::ui {

class TMessageBox {
 public:
  // Shows the box in the middle of the screen and returns when the user closes it.
  static void Show(const std::string& caption, const std::string& text, bool errorIcon);
  // Shows the question in the middle of the screen; the index of the button pressed.
  static int Ask(const TQuestion& question, std::string& edit);
};

}  // namespace platform::ui
