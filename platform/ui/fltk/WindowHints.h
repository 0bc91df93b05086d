#pragma once
// What the X11 window manager is told about a window beyond what the toolkit says. For the
// toolkit backend only; both do nothing before the window is shown.
#include <FL/Fl_Window.H>

#include <string>

namespace platform::ui {

class TForm;

class TWindowHints {
 public:
  // Only the system menu and the close box in the title bar (and the minimise and maximise
  // boxes when the form has them), through the Motif hints the window manager reads.
  static void SetTitleBarButtons(Fl_Window& window, const TForm& form);
  // The toolkit writes the caption's UTF-8 bytes into WM_NAME, whose type STRING means
  // Latin-1, so tools that read that property see "InstalaÃ§Ã£o". The caption goes in again
  // through Xlib's own conversion: Latin-1 when every character has one, compound text
  // otherwise.
  static void SetWindowName(Fl_Window& window, const std::string& caption);
};

}  // namespace platform::ui
