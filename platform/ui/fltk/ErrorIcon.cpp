#include "platform/ui/fltk/ErrorIcon.h"

#include <FL/fl_draw.H>

namespace platform::ui {

void TErrorIcon::draw() {
  fl_color(fl_rgb_color(0xE8, 0x11, 0x23));
  fl_pie(x(), y(), w(), h(), 0, 360);
  fl_color(FL_WHITE);
  fl_line_style(FL_SOLID | FL_CAP_ROUND, 3);
  const int m = w() / 3;
  fl_line(x() + m, y() + m, x() + w() - m, y() + h() - m);
  fl_line(x() + w() - m, y() + m, x() + m, y() + h() - m);
  fl_line_style(0);
}

}  // namespace platform::ui
