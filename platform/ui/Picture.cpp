#include "platform/ui/Picture.h"

#include <FL/Fl_JPEG_Image.H>
#include <FL/Fl_PNG_Image.H>

#include <algorithm>
#include <memory>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARELO_LEAK_CHECKS 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VARELO_LEAK_CHECKS 1
#endif
#ifdef VARELO_LEAK_CHECKS
#include <sanitizer/lsan_interface.h>
#endif

namespace platform::ui {
namespace {

// FLTK 1.3's reader of JPEG data in memory never frees its small source record (72 bytes a
// picture). That is the toolkit's, not ours: the leak checker is told to look away from it.
std::unique_ptr<Fl_RGB_Image> DecodeJpeg(const unsigned char* data) {
#ifdef VARELO_LEAK_CHECKS
  __lsan::ScopedDisabler toolkitLeak;
#endif
  return std::make_unique<Fl_JPEG_Image>("picture", data);
}

}  // namespace

bool TPicture::LoadFromMemory(std::string_view bytes) {
  *this = TPicture();
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  std::unique_ptr<Fl_RGB_Image> image;
  if (bytes.size() > 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
    image = DecodeJpeg(data);
  } else if (bytes.size() > 8 && bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) {
    image = std::make_unique<Fl_PNG_Image>("picture", data, static_cast<int>(bytes.size()));
  } else {
    return false;
  }
  if (!image || image->w() <= 0 || image->h() <= 0 || image->count() < 1 || !image->data()[0])
    return false;
  // Only RGB and RGBA are kept; grey pictures are widened so drawing has one path.
  const int depth = image->d();
  if (depth < 1 || depth > 4)
    return false;
  width_ = image->w();
  height_ = image->h();
  depth_ = depth == 2 || depth == 4 ? 4 : 3;
  const int lineBytes = image->ld() ? image->ld() : image->w() * depth;
  const auto* src = reinterpret_cast<const uint8_t*>(image->data()[0]);
  pixels_.resize(static_cast<size_t>(width_) * height_ * depth_);
  uint8_t* out = pixels_.data();
  for (int y = 0; y < height_; ++y) {
    const uint8_t* row = src + static_cast<size_t>(y) * lineBytes;
    for (int x = 0; x < width_; ++x) {
      const uint8_t* px = row + static_cast<size_t>(x) * depth;
      if (depth <= 2) {
        *out++ = px[0];
        *out++ = px[0];
        *out++ = px[0];
        if (depth == 2)
          *out++ = px[1];
      } else {
        for (int k = 0; k < depth; ++k)
          *out++ = px[k];
      }
    }
  }
  return true;
}

void TImage::SetPicture(TPicture picture) {
  picture_ = std::move(picture);
  FitToPicture();
  Changed();
}

void TImage::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  FitToPicture();
}

void TImage::SetCenter(bool center) {
  center_ = center;
  Changed();
}

void TImage::SetProportional(bool proportional) {
  proportional_ = proportional;
  Changed();
}

void TImage::FitToPicture() {
  if (autoSize_ && !picture_.Empty())
    SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
}

TRect TImage::DrawRect() const {
  int w = picture_.Width();
  int h = picture_.Height();
  if (proportional_ && w > 0 && h > 0 && (w > Width() || h > Height())) {
    // Shrink by the tighter of the two ratios so the whole picture fits.
    const double scale =
        std::min(static_cast<double>(Width()) / w, static_cast<double>(Height()) / h);
    w = std::max(1, static_cast<int>(w * scale));
    h = std::max(1, static_cast<int>(h * scale));
  }
  if (!center_)
    return {0, 0, w, h};
  return {(Width() - w) / 2, (Height() - h) / 2, w, h};
}

}  // namespace platform::ui
