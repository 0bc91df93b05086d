#include "platform/ui/fltk/GlowWidget.h"

#include "platform/ui/EventDispatch.h"
#include "platform/ui/fltk/ToolkitSupport.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

namespace platform::ui {
namespace {

void DrawGradient(const TGradient& g, int x, int y, int w, int h) {
  const bool vertical = g.direction == TGradientDirection::Vertical;
  const int steps = vertical ? h : w;
  for (int i = 0; i < steps; ++i) {
    const double t = steps > 1 ? static_cast<double>(i) / (steps - 1) : 0;
    fl_color(ToFl(g.At(t)));
    if (vertical)
      fl_xyline(x, y + i, x + w - 1);
    else
      fl_yxline(x + i, y, y + h - 1);
  }
}

}  // namespace

void TGlowWidget::draw() {
  const TGlowColors& colors = button_.StateColors(button_.State());
  const int upper = h() / 2;
  DrawGradient(colors.upper, x(), y(), w(), upper);
  DrawGradient(colors.lower, x(), y() + upper, w(), h() - upper);
  if (colors.border) {
    fl_color(ToFl(*colors.border));
    fl_rect(x(), y(), w(), h());
  }
  // The caption keeps the colour of its font; a disabled button greys it.
  fl_font(labelfont(), labelsize());
  fl_color(button_.Enabled() ? labelcolor() : fl_rgb_color(0x80, 0x80, 0x80));
  fl_draw(label(), x(), y(), w(), h(), FL_ALIGN_CENTER, nullptr, 0);
  if (Fl::focus() == this) {
    fl_color(labelcolor());
    fl_line_style(FL_DOT);
    fl_rect(x() + 3, y() + 3, w() - 6, h() - 6);
    fl_line_style(0);
  }
}

int TGlowWidget::handle(int event) {
  switch (event) {
    case FL_ENTER:
      button_.SetHot(true);
      return 1;
    case FL_LEAVE:
      button_.SetHot(false);
      return 1;
    case FL_PUSH:
      if (Fl::visible_focus())
        take_focus();
      button_.SetPressed(true);
      return 1;
    case FL_DRAG:
      button_.SetPressed(Fl::event_inside(this));
      return 1;
    case FL_RELEASE: {
      const bool inside = Fl::event_inside(this);
      button_.SetPressed(false);
      if (inside)
        Dispatch([this] { button_.Click(); });
      return 1;
    }
    case FL_FOCUS:
    case FL_UNFOCUS:
      redraw();
      return 1;
    case FL_KEYBOARD:
      if (Fl::event_key() == ' ' || Fl::event_key() == FL_Enter) {
        Dispatch([this] { button_.Click(); });
        return 1;
      }
      return 0;
    default:
      return Fl_Widget::handle(event);
  }
}

}  // namespace platform::ui
