#include "platform/ui/fltk/ImageWidget.h"

#include <FL/fl_draw.H>

namespace platform::ui {

void TImageWidget::Sync(TImage&) {
  scaled_.reset();
  redraw();
}

void TImageWidget::draw() {
  const TPicture& picture = image_.Picture();
  if (picture.Empty())
    return;
  const TRect r = image_.DrawRect();
  if (!scaled_) {
    Fl_RGB_Image source(picture.Pixels().data(), picture.Width(), picture.Height(),
                        picture.Depth());
    scaled_.reset(static_cast<Fl_RGB_Image*>(source.copy(r.width, r.height)));
  }
  fl_push_clip(x(), y(), w(), h());
  scaled_->draw(x() + r.left, y() + r.top);
  fl_pop_clip();
}

}  // namespace platform::ui
