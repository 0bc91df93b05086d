#include "platform/ui/fltk/OptionWidget.h"

#include "platform/ui/fltk/ToolkitSupport.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>

namespace platform::ui {
namespace {

constexpr int kOptionBox = 13;
constexpr TColor kOptionEdge = 0x333333;

}  // namespace

TOptionWidget::TOptionWidget(bool round) : Fl_Button(0, 0, 1, 1), round_(round) {
  type(round ? FL_RADIO_BUTTON : FL_TOGGLE_BUTTON);
  box(FL_FLAT_BOX);
}

void TOptionWidget::draw() {
  fl_color(color());
  fl_rectf(x(), y(), w(), h());
  const int bx = x() + 1;
  const int by = y() + (h() - kOptionBox) / 2;
  const Fl_Color edge = active_r() ? ToFl(kOptionEdge) : fl_rgb_color(0xBC, 0xBC, 0xBC);
  if (round_) {
    fl_color(FL_WHITE);
    fl_pie(bx, by, kOptionBox, kOptionBox, 0, 360);
    fl_color(edge);
    fl_arc(bx, by, kOptionBox, kOptionBox, 0, 360);
    if (value())
      fl_pie(bx + 3, by + 3, kOptionBox - 6, kOptionBox - 6, 0, 360);
  } else {
    fl_color(FL_WHITE);
    fl_rectf(bx, by, kOptionBox, kOptionBox);
    fl_color(edge);
    fl_rect(bx, by, kOptionBox, kOptionBox);
    if (value()) {
      fl_line_style(FL_SOLID | FL_CAP_ROUND, 2);
      fl_line(bx + 3, by + 6, bx + 5, by + 9, bx + 10, by + 3);
      fl_line_style(0);
    }
  }
  const int tx = bx + kOptionBox + 4;
  fl_font(labelfont(), labelsize());
  fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
  fl_draw(label(), tx, y(), w() - (tx - x()), h(), FL_ALIGN_LEFT | FL_ALIGN_CLIP, nullptr, 0);
  if (Fl::focus() == this) {
    int tw = 0, th = 0;
    fl_measure(label(), tw, th, 0);
    fl_color(labelcolor());
    fl_line_style(FL_DOT);
    fl_rect(tx - 1, y(), std::min(tw + 2, w() - (tx - x())), h());
    fl_line_style(0);
  }
}

}  // namespace platform::ui
