#include "platform/ui/fltk/DialogButton.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

namespace platform::ui {

void TDialogButton::draw() {
  const bool pressed = value() != 0;
  fl_color(pressed ? fl_rgb_color(0xCC, 0xE4, 0xF7) : fl_rgb_color(0xE1, 0xE1, 0xE1));
  fl_rectf(x(), y(), w(), h());
  fl_color(Fl::focus() == this || pressed ? fl_rgb_color(0x00, 0x78, 0xD7)
                                          : fl_rgb_color(0xAD, 0xAD, 0xAD));
  fl_rect(x(), y(), w(), h());
  fl_font(labelfont(), labelsize());
  fl_color(FL_BLACK);
  fl_draw(label(), x(), y(), w(), h(), FL_ALIGN_CENTER, nullptr, 0);
}

}  // namespace platform::ui
