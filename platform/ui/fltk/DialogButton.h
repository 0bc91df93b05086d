#pragma once
// The platform's push button of dialogs: a light face with a thin border, blue when focused.
// For the toolkit backend only.
#include <FL/Fl_Button.H>

namespace platform::ui {

class TDialogButton : public Fl_Button {
 public:
  TDialogButton(int x, int y, int w, int h, const char* label) : Fl_Button(x, y, w, h, label) {}
  void draw() override;
};

}  // namespace platform::ui
