#pragma once
// Turns the bytes of a picture file into plain pixels. Each backend decodes with the
// platform's own decoders: the toolkit's on Linux, the system's imaging codecs on Windows.
#include <cstdint>
#include <string_view>
#include <vector>

namespace platform::ui {

enum class TPictureFormat { Jpeg, Png };

// Pictures wider or taller than this are refused before any pixel is reserved.
constexpr int kMaxPictureSide = 16384;

struct TDecodedPicture {
  int width = 0;
  int height = 0;
  int depth = 0;                // 3 (RGB) or 4 (RGBA)
  std::vector<uint8_t> pixels;  // rows from top to bottom, width * depth bytes each
};

// The width and height the file declares (PNG: its header; JPEG: its first frame header), or
// false when they can't be found within the bytes.
bool DeclaredPictureSize(std::string_view bytes, TPictureFormat format, int& width, int& height);

// False when the bytes are damaged or can't be decoded; the result is then left empty.
bool DecodePicture(std::string_view bytes, TPictureFormat format, TDecodedPicture& out);

}  // namespace platform::ui
