#pragma once
// The error icon of message boxes: a red disc with a white cross. For the toolkit backend.
#include <FL/Fl_Widget.H>

namespace platform::ui {

class TErrorIcon : public Fl_Widget {
 public:
  static constexpr int kSize = 32;
  TErrorIcon(int x, int y) : Fl_Widget(x, y, kSize, kSize) {}
  void draw() override;
};

}  // namespace platform::ui
