#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/Control.h"

// Pictures (JPEG or PNG) decoded into plain pixels, and the picture control that shows one.
namespace platform::ui {

class TPicture {
 public:
  // Decodes JPEG or PNG bytes, told apart by their signature. False when they are neither or
  // are damaged; the picture is then empty.
  bool LoadFromMemory(std::string_view bytes);

  bool Empty() const { return width_ == 0 || height_ == 0; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Bytes per pixel: 3 (RGB) or 4 (RGBA).
  int Depth() const { return depth_; }
  // Rows from top to bottom, Width() * Depth() bytes each.
  const std::vector<uint8_t>& Pixels() const { return pixels_; }

 private:
  int width_ = 0;
  int height_ = 0;
  int depth_ = 0;
  std::vector<uint8_t> pixels_;
};

class TImage : public TControl {
 public:
  using TControl::TControl;

  const TPicture& Picture() const { return picture_; }
  // With AutoSize, the control takes the picture's size.
  void SetPicture(TPicture picture);

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);
  bool Center() const { return center_; }
  void SetCenter(bool center);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool proportional);

  // Where the picture is drawn, within the control: at the top left, or centred; a picture
  // larger than the control is shrunk to fit, keeping its proportions, when Proportional.
  TRect DrawRect() const;

 private:
  void FitToPicture();

  TPicture picture_;
  bool autoSize_ = false;
  bool center_ = false;
  bool proportional_ = false;
};

}  // namespace platform::ui
