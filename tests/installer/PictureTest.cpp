// Picture decoding: the built-in artwork decodes to the same pixels with each build's
// decoders (the toolkit's on Linux, the system's codecs on Windows), and damaged or hostile
// files are refused without reserving room for what they claim.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "installer/Artwork.h"
#include "platform/ui/Picture.h"
#include "tests/support/ZipBuilder.h"

namespace platform::ui {
namespace {

std::array<int, 4> PixelAt(const TPicture& picture, int x, int y) {
  const size_t at = (static_cast<size_t>(y) * picture.Width() + x) * picture.Depth();
  const auto& p = picture.Pixels();
  return {p[at], p[at + 1], p[at + 2], picture.Depth() == 4 ? p[at + 3] : 255};
}

std::string BigEndian32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

// A PNG whose header chunk declares this size (with a valid checksum) and nothing after it.
std::string PngDeclaring(uint32_t width, uint32_t height) {
  const std::string body =
      "IHDR" + BigEndian32(width) + BigEndian32(height) + std::string("\x08\x02\x00\x00\x00", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + BigEndian32(13) + body +
         BigEndian32(varelo::test::Crc32(body));
}

TEST(TPicture, ArtworkDecodesToTheSamePixelsOnEveryBuild) {
  struct TCase {
    const char* name;
    std::string_view bytes;
    int width, height, depth;
    std::array<int, 4> corner;  // red, green, blue, alpha at (0, 0)
    int tolerance;              // JPEG decoders may differ by a step or two
  };
  const TCase cases[] = {
      {"banner", installer::artwork::Banner(), 599, 133, 3, {77, 145, 233, 255}, 0},
      {"icon", installer::artwork::Icon(), 48, 48, 4, {45, 45, 45, 255}, 0},
      {"logo", installer::artwork::SecondLogo(), 201, 43, 3, {255, 255, 255, 255}, 0},
      {"illustration", installer::artwork::Illustration(), 225, 225, 3, {255, 255, 255, 255}, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPicture picture;
    ASSERT_TRUE(picture.LoadFromMemory(c.bytes));
    EXPECT_EQ(picture.Width(), c.width);
    EXPECT_EQ(picture.Height(), c.height);
    ASSERT_EQ(picture.Depth(), c.depth);
    ASSERT_EQ(picture.Pixels().size(), static_cast<size_t>(c.width) * c.height * c.depth);
    const auto corner = PixelAt(picture, 0, 0);
    for (int k = 0; k < 4; ++k)
      EXPECT_NEAR(corner[k], c.corner[k], c.tolerance) << "channel " << k;
  }
  // Red, green and blue keep their places: the banner is blue.
  TPicture banner;
  ASSERT_TRUE(banner.LoadFromMemory(installer::artwork::Banner()));
  const auto mid = PixelAt(banner, 300, 66);
  EXPECT_GT(mid[2], mid[0]);
}

TEST(TPicture, DamagedAndHostileFilesAreRefusedOrWhole) {
  const std::string banner(installer::artwork::Banner());
  const std::string jpeg(installer::artwork::Illustration());
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8);
  struct TCase {
    const char* name;
    std::string bytes;
    bool mustFail;
  };
  const TCase cases[] = {
      {"empty", "", true},
      {"text", "not a picture", true},
      {"png signature only", png, true},
      {"png signature and garbage", png + "broken", true},
      {"jpeg signature only", "\xFF\xD8\xFF", true},
      {"jpeg without a frame header", std::string("\xFF\xD8\xFF\xD9", 4), true},
      {"png declaring 0 x 0", PngDeclaring(0, 0), true},
      {"png declaring 100000 x 100000", PngDeclaring(100000, 100000), true},
      {"png declaring 4 G x 4 G", PngDeclaring(0xFFFFFFFFu, 0xFFFFFFFFu), true},
      {"png header and no data", PngDeclaring(64, 64), true},
      {"png cut in half", banner.substr(0, banner.size() / 2), false},
      {"png with its pixels overwritten", banner.substr(0, 200) + std::string(2000, '\x55'), false},
      {"jpeg cut after its headers", jpeg.substr(0, 700), false},
      {"jpeg cut in half", jpeg.substr(0, jpeg.size() / 2), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPicture picture;
    const bool loaded = picture.LoadFromMemory(c.bytes);
    if (c.mustFail) {
      EXPECT_FALSE(loaded);
    }
    if (!loaded) {
      EXPECT_TRUE(picture.Empty());
      EXPECT_TRUE(picture.Pixels().empty());
      continue;
    }
    // A decoder that makes do with a damaged file must still give a whole picture.
    EXPECT_LE(picture.Width(), 599);
    EXPECT_EQ(picture.Pixels().size(),
              static_cast<size_t>(picture.Width()) * picture.Height() * picture.Depth());
  }
}

TEST(TPicture, LoadingAgainReplacesOrEmptiesThePicture) {
  TPicture picture;
  ASSERT_TRUE(picture.LoadFromMemory(installer::artwork::Icon()));
  ASSERT_TRUE(picture.LoadFromMemory(installer::artwork::SecondLogo()));
  EXPECT_EQ(picture.Width(), 201);
  EXPECT_EQ(picture.Depth(), 3);
  EXPECT_FALSE(picture.LoadFromMemory("junk"));
  EXPECT_TRUE(picture.Empty());
  EXPECT_EQ(picture.Width(), 0);
}

}  // namespace
}  // namespace platform::ui
