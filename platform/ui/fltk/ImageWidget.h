#pragma once
// The picture control's widget. For the toolkit backend only.
#include "platform/ui/Picture.h"

#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Widget.H>

#include <memory>

namespace platform::ui {

class TImageWidget : public Fl_Widget {
 public:
  explicit TImageWidget(TImage& image) : Fl_Widget(0, 0, 1, 1), image_(image) {}
  void Sync(TImage& image);
  void draw() override;

 private:
  TImage& image_;
  std::unique_ptr<Fl_RGB_Image> scaled_;
};

}  // namespace platform::ui
