#include "platform/ui/fltk/ProgressWidget.h"

#include "platform/ui/fltk/ToolkitSupport.h"

#include <FL/fl_draw.H>

namespace platform::ui {

void TProgressWidget::Sync(TProgressBar& bar) {
  fraction_ = bar.Fraction();
  redraw();
}

void TProgressWidget::draw() {
  DrawFrameBox(x(), y(), w(), h(), fl_rgb_color(0xE6, 0xE6, 0xE6));
  const int filled = static_cast<int>((w() - 2) * fraction_);
  if (filled > 0) {
    fl_color(fl_rgb_color(0x06, 0xB0, 0x25));
    fl_rectf(x() + 1, y() + 1, filled, h() - 2);
  }
}

}  // namespace platform::ui
