#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/ZipBuilder.h"
#include "zipformat/Crc32.h"
#include "zipformat/ExtraFields.h"
#include "zipformat/UnicodeExtra.h"
#include "zipformat/Zip64Fields.h"
#include "zipformat/ZipRecords.h"

namespace varelo::test {
namespace {

const uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

TEST(ZipFormat, Crc32IsTheFormatsAndContinues) {
  EXPECT_EQ(zipformat::Crc32(""), 0u);
  EXPECT_EQ(zipformat::Crc32("123456789"), 0xCBF43926u);
  const uint32_t first = zipformat::Crc32(0, "12345", 5);
  EXPECT_EQ(zipformat::Crc32(first, "6789", 4), 0xCBF43926u);
}

// Every field lands at its offset: a record written with distinct values reads back whole,
// and the bytes stand where independent makers put them.
TEST(ZipFormat, RecordsReadBackWhatWasWritten) {
  const zipformat::TCentralHeader central{.versionMadeBy = 0x0314,
                                          .versionNeeded = 0x0014,
                                          .flags = 0x0808,
                                          .method = 8,
                                          .dosDateTime = 0x5A210001,
                                          .crc32 = 0xA1B2C3D4,
                                          .compressedSize = 0x11223344,
                                          .uncompressedSize = 0x55667788,
                                          .nameLength = 0x0102,
                                          .extraLength = 0x0304,
                                          .commentLength = 0x0506,
                                          .diskStart = 0x0708,
                                          .internalAttributes = 0x090A,
                                          .externalAttributes = 0x81A40000,
                                          .localOffset = 0x0B0C0D0E};
  std::string bytes;
  zipformat::Write(bytes, central);
  ASSERT_EQ(bytes.size(), zipformat::kCentralHeaderSize);
  EXPECT_EQ(bytes.substr(0, 4), "PK\x01\x02");
  EXPECT_EQ(bytes.substr(42, 4), Le32(0x0B0C0D0E));
  const zipformat::TCentralHeader back = zipformat::ReadCentralHeader(Bytes(bytes));
  EXPECT_EQ(back.localOffset, central.localOffset);
  EXPECT_EQ(back.externalAttributes, central.externalAttributes);
  EXPECT_EQ(back.diskStart, central.diskStart);
  EXPECT_EQ(back.commentLength, central.commentLength);
  EXPECT_EQ(back.crc32, central.crc32);

  const zipformat::TLocalHeader local{.versionNeeded = 45,
                                      .flags = 1,
                                      .method = 8,
                                      .dosDateTime = 7,
                                      .crc32 = 9,
                                      .compressedSize = 10,
                                      .uncompressedSize = 11,
                                      .nameLength = 12,
                                      .extraLength = 13};
  bytes.clear();
  zipformat::Write(bytes, local);
  ASSERT_EQ(bytes.size(), zipformat::kLocalHeaderSize);
  EXPECT_EQ(bytes.substr(0, 4), "PK\x03\x04");
  const zipformat::TLocalHeader l = zipformat::ReadLocalHeader(Bytes(bytes));
  EXPECT_EQ(l.uncompressedSize, 11u);
  EXPECT_EQ(l.nameLength, 12u);
  EXPECT_EQ(l.extraLength, 13u);

  bytes = EndRecordBytes(3, 0x1234, 0x5678, "nota");
  const zipformat::TEndRecord end = zipformat::ReadEndRecord(Bytes(bytes));
  EXPECT_EQ(end.signature, zipformat::kSigEnd);
  EXPECT_EQ(end.totalEntries, 3u);
  EXPECT_EQ(end.centralOffset, 0x5678u);
  EXPECT_EQ(end.commentLength, 4u);
  EXPECT_EQ(bytes.size(), zipformat::kEndRecordSize + 4);

  bytes = Zip64EndBytes(5, 6, 0x100000000ull) + Zip64LocatorBytes(0x200000000ull, 1, 0);
  ASSERT_EQ(bytes.size(), zipformat::kZip64EndSize + zipformat::kZip64LocatorSize);
  const zipformat::TZip64End z = zipformat::ReadZip64End(Bytes(bytes));
  EXPECT_EQ(z.recordSize + zipformat::kZip64EndHeadSize, zipformat::kZip64EndSize);
  EXPECT_EQ(z.totalEntries, 5u);
  EXPECT_EQ(z.centralOffset, 0x100000000ull);
  const zipformat::TZip64Locator loc =
      zipformat::ReadZip64Locator(Bytes(bytes) + zipformat::kZip64EndSize);
  EXPECT_EQ(loc.signature, zipformat::kSigZip64Locator);
  EXPECT_EQ(loc.recordOffset, 0x200000000ull);
  EXPECT_EQ(loc.totalDisks, 1u);
}

TEST(ZipFormat, ExtraFieldWalkStopsAtABrokenBlock) {
  const std::string extra = ExtraField(0x5455, "\x01" + Le32(7)) + ExtraField(0x000A, "abc") +
                            Le16(0x7075) + Le16(50) + "short";
  zipformat::TExtraFields walk(extra);
  zipformat::TExtraBlock block;
  std::vector<uint16_t> tags;
  while (walk.Next(block))
    tags.push_back(block.tag);
  EXPECT_EQ(tags, (std::vector<uint16_t>{0x5455, 0x000A}));
  std::string_view data;
  ASSERT_TRUE(zipformat::FindExtra(extra, 0x000A, data));
  EXPECT_EQ(data, "abc");
  EXPECT_FALSE(zipformat::FindExtra(extra, 0x7075, data));
  // Fewer than four bytes left, and nothing at all, end the walk quietly.
  EXPECT_FALSE(zipformat::FindExtra("\x01\x00\x00", 0x0001, data));
  EXPECT_FALSE(zipformat::FindExtra("", 0x0001, data));
  // A block that ends exactly at the end is whole.
  EXPECT_TRUE(zipformat::FindExtra(ExtraField(0x0001, ""), 0x0001, data));
  EXPECT_TRUE(data.empty());
}

TEST(ZipFormat, Zip64ValuesStandInForThePlaceholdersInOrder) {
  using zipformat::TZip64Outcome;
  constexpr uint32_t kP = zipformat::kPlaceholder32;
  const std::string disk = ExtraField(0x0001, Le64(0x100000001ull) + Le32(3));
  struct TCase {
    const char* what;
    zipformat::TZip64Values in;
    std::string extra;
    TZip64Outcome outcome;
    zipformat::TZip64Values out;
  };
  const std::vector<TCase> cases = {
      {"no placeholder",
       {1, 2, 3, 4},
       Zip64Extra({9, 9, 9}),
       TZip64Outcome::kNothingAsked,
       {1, 2, 3, 4}},
      {"placeholders, no block", {kP, kP, 3, 0}, "", TZip64Outcome::kNoBlock, {kP, kP, 3, 0}},
      {"all three",
       {kP, kP, kP, 0},
       Zip64Extra({10, 20, 30}),
       TZip64Outcome::kTaken,
       {10, 20, 30, 0}},
      {"only the offset takes the first value",
       {5, 6, kP, 0},
       Zip64Extra({30}),
       TZip64Outcome::kTaken,
       {5, 6, 30, 0}},
      {"compressed only",
       {5, kP, 7, 0},
       Zip64Extra({20, 99}),
       TZip64Outcome::kTaken,
       {5, 20, 7, 0}},
      {"disk after the offset",
       {1, 2, kP, 0xFFFF},
       disk,
       TZip64Outcome::kTaken,
       {1, 2, 0x100000001ull, 3}},
      {"block too short",
       {kP, kP, 3, 0},
       Zip64Extra({10}),
       TZip64Outcome::kTooShort,
       {10, kP, 3, 0}},
      {"block cut inside a value",
       {kP, 2, 3, 0},
       ExtraField(0x0001, "1234567"),
       TZip64Outcome::kTooShort,
       {kP, 2, 3, 0}},
  };
  for (const TCase& c : cases) {
    zipformat::TZip64Values v = c.in;
    EXPECT_EQ(zipformat::ApplyZip64(c.extra, v), c.outcome) << c.what;
    EXPECT_EQ(v.uncompressed, c.out.uncompressed) << c.what;
    EXPECT_EQ(v.compressed, c.out.compressed) << c.what;
    EXPECT_EQ(v.localOffset, c.out.localOffset) << c.what;
    EXPECT_EQ(v.diskStart, c.out.diskStart) << c.what;
  }
}

TEST(ZipFormat, UnicodePathIsTrustedOnlyForItsRawNameAndStrictUtf8) {
  const std::string raw = "caf\x82.txt";
  const std::string head = std::string(1, '\x01') + Le32(Crc32(raw));
  struct TCase {
    const char* what;
    std::string extra;
    const char* text;  // nullptr: refused
  };
  const std::vector<TCase> cases = {
      {"valid", UnicodePathExtra(raw, "café.txt"), "café.txt"},
      {"one byte of name", ExtraField(0x7075, head + "a"), "a"},
      {"four-byte form", UnicodePathExtra(raw, "\xF0\x9F\x93\x81"), "\xF0\x9F\x93\x81"},
      {"behind another block", ExtraField(0x000A, "xx") + UnicodePathExtra(raw, "b.txt"), "b.txt"},
      {"header only", ExtraField(0x7075, head), nullptr},
      {"shorter than the header", ExtraField(0x7075, head.substr(0, 3)), nullptr},
      {"version 0", ExtraField(0x7075, std::string(1, '\0') + head.substr(1) + "v"), nullptr},
      {"version 2", ExtraField(0x7075, "\x02" + head.substr(1) + "v"), nullptr},
      {"CRC of other bytes", UnicodePathExtra("outro", "x.txt"), nullptr},
      {"stray continuation byte", UnicodePathExtra(raw, "a\x80"), nullptr},
      {"cut two-byte form", UnicodePathExtra(raw, "a\xC3"), nullptr},
      {"overlong two-byte", UnicodePathExtra(raw, "\xC0\xAF"), nullptr},
      {"overlong three-byte", UnicodePathExtra(raw, "\xE0\x80\xAF"), nullptr},
      {"surrogate", UnicodePathExtra(raw, "\xED\xA0\x80"), nullptr},
      {"beyond U+10FFFF", UnicodePathExtra(raw, "\xF4\x90\x80\x80"), nullptr},
      {"five-byte form", UnicodePathExtra(raw, "\xF8\x88\x80\x80\x80"), nullptr},
      {"six-byte form", UnicodePathExtra(raw, "\xFC\x84\x80\x80\x80\x80"), nullptr},
      {"0xFE and 0xFF", UnicodePathExtra(raw, "\xFE\xFF"), nullptr},
  };
  for (const TCase& c : cases) {
    std::string_view text;
    const bool ok = zipformat::UnicodeExtraText(c.extra, zipformat::kTagUnicodePath, raw, text);
    EXPECT_EQ(ok, c.text != nullptr) << c.what;
    if (ok && c.text != nullptr) {
      EXPECT_EQ(text, c.text) << c.what;
    }
  }
  // The comment block follows the same rule under its own tag.
  const std::string comment = UnicodeCommentExtra("nota", "observação");
  std::string_view text;
  EXPECT_TRUE(zipformat::UnicodeExtraText(comment, zipformat::kTagUnicodeComment, "nota", text));
  EXPECT_EQ(text, "observação");
  EXPECT_FALSE(zipformat::UnicodeExtraText(comment, zipformat::kTagUnicodePath, "nota", text));
}

}  // namespace
}  // namespace varelo::test
