#include "platform/ui/Picture.h"

#include "platform/ui/PictureDecoder.h"

#include <algorithm>

namespace platform::ui {
namespace {

int BigEndian16(std::string_view bytes, size_t at) {
  return (static_cast<unsigned char>(bytes[at]) << 8) | static_cast<unsigned char>(bytes[at + 1]);
}

uint32_t BigEndian32(std::string_view bytes, size_t at) {
  return (static_cast<uint32_t>(BigEndian16(bytes, at)) << 16) |
         static_cast<uint32_t>(BigEndian16(bytes, at + 2));
}

// The size in the first frame header (SOF0..SOF15 but DHT, JPG and DAC) that the segments
// from the start of the file lead to.
bool JpegSize(std::string_view bytes, int& width, int& height) {
  size_t at = 2;
  while (at + 4 <= bytes.size()) {
    if (static_cast<unsigned char>(bytes[at]) != 0xFF)
      return false;
    const auto marker = static_cast<unsigned char>(bytes[at + 1]);
    if (marker == 0xFF) {  // fill byte before a marker
      ++at;
      continue;
    }
    const int length = BigEndian16(bytes, at + 2);
    if (length < 2)
      return false;
    const bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (length < 7 || at + 9 > bytes.size())
        return false;
      height = BigEndian16(bytes, at + 5);
      width = BigEndian16(bytes, at + 7);
      return true;
    }
    if (marker == 0xDA || marker == 0xD9)  // scan data or the end before any frame header
      return false;
    at += 2 + static_cast<size_t>(length);
  }
  return false;
}

}  // namespace

bool DeclaredPictureSize(std::string_view bytes, TPictureFormat format, int& width, int& height) {
  if (format == TPictureFormat::Jpeg)
    return JpegSize(bytes, width, height);
  // Signature (8), then the IHDR chunk: length (4), type (4), width (4), height (4).
  if (bytes.size() < 24 || bytes.substr(12, 4) != "IHDR")
    return false;
  const uint32_t w = BigEndian32(bytes, 16);
  const uint32_t h = BigEndian32(bytes, 20);
  if (w > static_cast<uint32_t>(kMaxPictureSide) || h > static_cast<uint32_t>(kMaxPictureSide)) {
    width = height = kMaxPictureSide + 1;
    return true;
  }
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

bool TPicture::LoadFromMemory(std::string_view bytes) {
  *this = TPicture();
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  TPictureFormat format;
  if (bytes.size() > 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
    format = TPictureFormat::Jpeg;
  else if (bytes.size() > 8 && bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8))
    format = TPictureFormat::Png;
  else
    return false;
  // A declared size out of reach is refused before a decoder reserves room for its pixels.
  int declaredWidth = 0;
  int declaredHeight = 0;
  if (!DeclaredPictureSize(bytes, format, declaredWidth, declaredHeight) || declaredWidth <= 0 ||
      declaredHeight <= 0 || declaredWidth > kMaxPictureSide || declaredHeight > kMaxPictureSide)
    return false;
  TDecodedPicture decoded;
  if (!DecodePicture(bytes, format, decoded))
    return false;
  // A decoder's result is taken only when it is whole: sizes, depth and pixel count agree.
  const size_t expected = static_cast<size_t>(decoded.width) * decoded.height * decoded.depth;
  if (decoded.width != declaredWidth || decoded.height != declaredHeight ||
      (decoded.depth != 3 && decoded.depth != 4) || decoded.pixels.size() != expected)
    return false;
  width_ = decoded.width;
  height_ = decoded.height;
  depth_ = decoded.depth;
  pixels_ = std::move(decoded.pixels);
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
