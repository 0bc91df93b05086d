// Picture decoding through the toolkit's JPEG and PNG readers.
#include "platform/ui/PictureDecoder.h"

#include <FL/Fl_JPEG_Image.H>
#include <FL/Fl_PNG_Image.H>

#include <memory>
#include <string>

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

// FLTK 1.3's reader of JPEG data in memory is told no length: it hands the decoder 4096
// bytes at a time and skips as far as a segment's length says (up to 64 KiB), whatever the
// file's size. The file is therefore read from a copy followed by end-of-image markers,
// enough of them that every read and skip stays inside the copy and soon meets one; a cut
// short or lying file then ends at a marker instead of being read past.
constexpr size_t kJpegReadAhead = 2 * 4096 + 65536 + 4096;

std::string WithEndMarkers(std::string_view bytes) {
  std::string copy;
  copy.reserve(bytes.size() + kJpegReadAhead);
  copy.append(bytes);
  for (size_t i = 0; i < kJpegReadAhead / 2; ++i)
    copy.append("\xFF\xD9", 2);
  return copy;
}

// The toolkit's JPEG reader also never frees its small source record (72 bytes a picture).
// That is the toolkit's, not ours: the leak checker is told to look away from it.
std::unique_ptr<Fl_RGB_Image> DecodeJpeg(std::string_view bytes) {
  const std::string padded = WithEndMarkers(bytes);
#ifdef VARELO_LEAK_CHECKS
  __lsan::ScopedDisabler toolkitLeak;
#endif
  return std::make_unique<Fl_JPEG_Image>("picture",
                                         reinterpret_cast<const unsigned char*>(padded.data()));
}

}  // namespace

bool DecodePicture(std::string_view bytes, TPictureFormat format, TDecodedPicture& out) {
  out = TDecodedPicture();
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  std::unique_ptr<Fl_RGB_Image> image;
  if (format == TPictureFormat::Jpeg)
    image = DecodeJpeg(bytes);
  else
    image = std::make_unique<Fl_PNG_Image>("picture", data, static_cast<int>(bytes.size()));
  if (!image || image->w() <= 0 || image->h() <= 0 || image->count() < 1 || !image->data()[0])
    return false;
  // Only RGB and RGBA are kept; grey pictures are widened so drawing has one path.
  const int depth = image->d();
  if (depth < 1 || depth > 4)
    return false;
  out.width = image->w();
  out.height = image->h();
  out.depth = depth == 2 || depth == 4 ? 4 : 3;
  const int lineBytes = image->ld() ? image->ld() : image->w() * depth;
  const auto* src = reinterpret_cast<const uint8_t*>(image->data()[0]);
  out.pixels.resize(static_cast<size_t>(out.width) * out.height * out.depth);
  uint8_t* dst = out.pixels.data();
  for (int y = 0; y < out.height; ++y) {
    const uint8_t* row = src + static_cast<size_t>(y) * lineBytes;
    for (int x = 0; x < out.width; ++x) {
      const uint8_t* px = row + static_cast<size_t>(x) * depth;
      if (depth <= 2) {
        *dst++ = px[0];
        *dst++ = px[0];
        *dst++ = px[0];
        if (depth == 2)
          *dst++ = px[1];
      } else {
        for (int k = 0; k < depth; ++k)
          *dst++ = px[k];
      }
    }
  }
  return true;
}

}  // namespace platform::ui
