#include "platform/ui/fltk/ToolkitSupport.h"

#include <FL/fl_draw.H>

namespace platform::ui {
namespace {

constexpr TColor kFrameColor = 0x7A7A7A;

void DrawPlainLabel(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
  fl_font(label->font, label->size);
  fl_color(static_cast<Fl_Color>(label->color));
  fl_draw(label->value, x, y, w, h, align, label->image, 0);
}

void MeasurePlainLabel(const Fl_Label* label, int& w, int& h) {
  fl_font(label->font, label->size);
  fl_measure(label->value, w, h, 0);
}

}  // namespace

Fl_Color ToFl(TColor color) {
  return fl_rgb_color(static_cast<uchar>(color >> 16), static_cast<uchar>(color >> 8),
                      static_cast<uchar>(color));
}

void DrawFrameBox(int x, int y, int w, int h, Fl_Color fill) {
  fl_color(fill);
  fl_rectf(x, y, w, h);
  fl_color(ToFl(kFrameColor));
  fl_rect(x, y, w, h);
}

void RegisterDrawingTypes() {
  Fl::set_boxtype(
      kFrameBox, [](int x, int y, int w, int h, Fl_Color c) { DrawFrameBox(x, y, w, h, c); }, 1, 1,
      2, 2);
  Fl::set_labeltype(kPlainLabel, DrawPlainLabel, MeasurePlainLabel);
}

void CentreOnScreen(Fl_Window& window) {
  fl_open_display();
  int sx = 0, sy = 0, sw = 0, sh = 0;
  Fl::screen_xywh(sx, sy, sw, sh, 0);
  window.position(sx + (sw - window.w()) / 2, sy + (sh - window.h()) / 2);
}

}  // namespace platform::ui
