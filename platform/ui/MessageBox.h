#pragma once
// The modal message box: caption, text, one OK button, and the error icon when asked. It
// carries the program's icon (the toolkit's default icon) in its title bar. For the toolkit
// backend only.
#include <string>

namespace platform::ui {

class TMessageBox {
 public:
  // Shows the box in the middle of the screen and returns when the user closes it.
  static void Show(const std::string& caption, const std::string& text, bool errorIcon);
};

}  // namespace platform::ui
