// A library file is checked against its own headers before it is loaded. The good fixture is
// the engine library of this build (ELF on Linux, PE on Windows); every broken one is a copy
// of it, cut short or with one header field bent, written into a temporary folder.
#include <gtest/gtest.h>

#include <functional>

#include "platform/DynamicLibrary.h"
#include "platform/File.h"
#include "platform/LibraryHeaders.h"
#include "tests/support/TempDir.h"

namespace varelo::test {
namespace {

using platform::TLibraryHeaders;

std::string EngineBytes() {
  const auto bytes = platform::ReadWholeFile(ARCAZIP_DLL_PATH, int64_t{1} << 30);
  return bytes ? *bytes : std::string();
}

uint64_t Get(const std::string& b, size_t at, int size) {
  uint64_t v = 0;
  for (int i = size - 1; i >= 0; --i)
    v = v << 8 | static_cast<uint8_t>(b.at(at + static_cast<size_t>(i)));
  return v;
}

void Put(std::string& b, size_t at, int size, uint64_t v) {
  for (int i = 0; i < size; ++i, v >>= 8)
    b.at(at + static_cast<size_t>(i)) = static_cast<char>(v & 0xFF);
}

// One broken library: what is done to the good bytes, and a part of the reason expected.
struct TBentRow {
  const char* what;
  std::function<void(std::string&)> bend;
  const char* problem;
};

#ifdef _WIN32
// PE: the PE header's place, the optional header's size and the section table.
size_t PeHeader(const std::string& b) {
  return static_cast<size_t>(Get(b, 0x3C, 4));
}
size_t Sections(const std::string& b) {
  return PeHeader(b) + 24 + static_cast<size_t>(Get(b, PeHeader(b) + 20, 2));
}
size_t LastSection(const std::string& b) {
  return Sections(b) + 40 * (static_cast<size_t>(Get(b, PeHeader(b) + 6, 2)) - 1);
}
// The section holding the most raw data, which a cut in the middle of the file falls into.
size_t LargestSection(const std::string& b) {
  size_t best = Sections(b);
  for (size_t s = Sections(b); s <= LastSection(b); s += 40) {
    if (Get(b, s + 16, 4) > Get(b, best + 16, 4))
      best = s;
  }
  return best;
}

const std::vector<TBentRow> kBentRows{
    {"wrong magic", [](std::string& b) { b[0] = 'Z'; }, "no MZ signature"},
    {"PE header past the end", [](std::string& b) { Put(b, 0x3C, 4, b.size() - 8); },
     "PE header past the end"},
    {"PE header offset overflowing", [](std::string& b) { Put(b, 0x3C, 4, 0xFFFFFFF0u); },
     "PE header past the end"},
    {"no PE signature", [](std::string& b) { b[PeHeader(b)] = 'X'; }, "no PE signature"},
    {"another machine", [](std::string& b) { Put(b, PeHeader(b) + 4, 2, 0x1C0); },
     "another machine"},
    {"not a DLL", [](std::string& b) { b[PeHeader(b) + 23] &= 0xDF; }, "not a DLL"},
    {"no sections", [](std::string& b) { Put(b, PeHeader(b) + 6, 2, 0); }, "no sections"},
    {"optional header of the other width",
     [](std::string& b) { Put(b, PeHeader(b) + 24, 2, sizeof(void*) == 8 ? 0x10B : 0x20B); },
     "optional header is not"},
    {"optional header past the end", [](std::string& b) { Put(b, PeHeader(b) + 20, 2, 0xFFFF); },
     "beyond the first"},
    {"too many data directories",
     [](std::string& b) { Put(b, PeHeader(b) + 24 + (sizeof(void*) == 8 ? 108 : 92), 4, 1000); },
     "data directories"},
    {"headers larger than the file",
     [](std::string& b) { Put(b, PeHeader(b) + 24 + 60, 4, b.size() + 1); }, "headers past"},
    {"section table past the end", [](std::string& b) { Put(b, PeHeader(b) + 6, 2, 0xFFFF); },
     "section table"},
    {"section data past the end",
     [](std::string& b) { Put(b, LargestSection(b) + 20, 4, b.size() - 16); }, "past the end"},
    {"section data offset overflowing",
     [](std::string& b) {
       Put(b, LargestSection(b) + 20, 4, 0xFFFFFF00u);
       Put(b, LargestSection(b) + 16, 4, 0x200);
     },
     "past the end"},
    {"section data larger than the file",
     [](std::string& b) { Put(b, LargestSection(b) + 16, 4, 0xFFFFFFFFu); }, "past the end"},
    {"symbol table past the end",
     [](std::string& b) {
       Put(b, PeHeader(b) + 12, 4, b.size() - 4);
       Put(b, PeHeader(b) + 16, 4, 1000);
     },
     "symbol table past the end"},
};
std::vector<size_t> CutPoints(const std::string& b) {
  const size_t largest = LargestSection(b);
  const size_t middle = static_cast<size_t>(Get(b, largest + 20, 4) + Get(b, largest + 16, 4) / 2);
  return {0, 1, 2, 63, 64, PeHeader(b) + 10, Sections(b) + 20, middle, b.size() / 2};
}
#else
// ELF (64- or 32-bit as this build is): the program headers' place, size and count.
constexpr bool kWide = sizeof(void*) == 8;
size_t Phoff(const std::string& b) {
  return static_cast<size_t>(kWide ? Get(b, 32, 8) : Get(b, 28, 4));
}
size_t PhnumAt() {
  return kWide ? 56 : 44;
}
size_t PhdrSize() {
  return kWide ? 56 : 32;
}
// The first loadable segment's header.
size_t FirstLoad(const std::string& b) {
  size_t p = Phoff(b);
  while (Get(b, p, 4) != 1)
    p += PhdrSize();
  return p;
}
void SetSegment(std::string& b, size_t p, uint64_t offset, uint64_t filesz) {
  Put(b, p + (kWide ? 8 : 4), kWide ? 8 : 4, offset);
  Put(b, p + (kWide ? 32 : 16), kWide ? 8 : 4, filesz);
}

const std::vector<TBentRow> kBentRows{
    {"wrong magic", [](std::string& b) { b[1] = 'X'; }, "invalid ELF header"},
    {"wrong class", [](std::string& b) { b[4] = kWide ? 1 : 2; }, "wrong ELF class"},
    {"big-endian", [](std::string& b) { b[5] = 2; }, "not little-endian"},
    {"not a shared library", [](std::string& b) { Put(b, 16, 2, 2); }, "not a shared library"},
    {"another machine", [](std::string& b) { Put(b, 18, 2, 0x28); }, "another machine"},
    {"header size too small", [](std::string& b) { Put(b, PhnumAt() - 4, 2, 20); }, "too small"},
    {"program header size", [](std::string& b) { Put(b, PhnumAt() - 2, 2, 40); }, "phentsize"},
    {"no program headers", [](std::string& b) { Put(b, PhnumAt(), 2, 0); }, "no program headers"},
    {"extended program header count", [](std::string& b) { Put(b, PhnumAt(), 2, 0xFFFF); },
     "extended count"},
    {"program headers past the end",
     [](std::string& b) { Put(b, kWide ? 32 : 28, kWide ? 8 : 4, b.size() - 8); },
     "program headers past the end"},
    {"program header offset overflowing",
     [](std::string& b) { Put(b, kWide ? 32 : 28, kWide ? 8 : 4, ~uint64_t{0} - 16); },
     "program headers past the end"},
    {"program headers beyond the window",
     [](std::string& b) {
       Put(b, kWide ? 32 : 28, kWide ? 8 : 4, platform::kLibraryHeaderWindow + 64);
     },
     "beyond the first"},
    {"load segment past the end",
     [](std::string& b) { SetSegment(b, FirstLoad(b), b.size() - 100, 4096); },
     "ELF load command past end of file"},
    {"load segment offset overflowing",
     [](std::string& b) {
       SetSegment(b, FirstLoad(b), kWide ? ~uint64_t{0} - 255 : 0xFFFFFF00u, 4096);
     },
     "ELF load command past end of file"},
    {"load segment larger than the file",
     [](std::string& b) { SetSegment(b, FirstLoad(b), 0, b.size() + 1); },
     "ELF load command past end of file"},
    {"file size larger than memory size",
     [](std::string& b) { Put(b, FirstLoad(b) + (kWide ? 40 : 20), kWide ? 8 : 4, 1); },
     "filesz larger than memsz"},
    {"no loadable segment",
     [](std::string& b) {
       for (size_t i = 0; i < Get(b, PhnumAt(), 2); ++i) {
         if (Get(b, Phoff(b) + i * PhdrSize(), 4) == 1)
           Put(b, Phoff(b) + i * PhdrSize(), 4, 4);
       }
     },
     "no loadable segments"},
    {"section headers past the end",
     [](std::string& b) { Put(b, kWide ? 40 : 32, kWide ? 8 : 4, b.size() - 10); },
     "section headers past the end"},
};
std::vector<size_t> CutPoints(const std::string& b) {
  // Into the identification, the header, the program headers, the first segment, the middle,
  // and the last byte (the section headers are last).
  return {0, 1, 15, 16, 40, Phoff(b) + PhdrSize() + 3, 4096, b.size() / 2, b.size() - 1};
}
#endif

class LibraryHeaders : public ::testing::Test {
 protected:
  void SetUp() override {
    good = EngineBytes();
    ASSERT_GT(good.size(), platform::kLibraryHeaderWindow) << ARCAZIP_DLL_PATH;
  }
  // Writes the bytes as a library of its own and checks it by file and through the loader.
  void ExpectRefused(const std::string& bytes, const std::string& problem) {
    const std::string path = work / ("lib" + std::to_string(++written) + ".dll");
    WriteFileBytes(path, bytes);
    const std::string reason = platform::CheckLibraryFile(path, TLibraryHeaders::kNative);
    EXPECT_NE(reason.find(problem), std::string::npos) << "reason: " << reason;
    platform::TDynamicLibrary library;
    EXPECT_FALSE(library.Load(path));
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_NE(library.ErrorText().find(reason), std::string::npos) << library.ErrorText();
    EXPECT_EQ(platform::LastOsError(), platform::kErrorBadExeFormat);
  }

  std::string good;
  TTempDir work;
  int written = 0;
};

TEST_F(LibraryHeaders, TheWholeLibraryPassesAndLoads) {
  TLibraryHeaders headers(TLibraryHeaders::kNative, good, good.size());
  EXPECT_TRUE(headers.Check()) << headers.Problem();
  // Only the first bytes are read from a file; the check needs no more.
  TLibraryHeaders head(TLibraryHeaders::kNative,
                       std::string_view(good).substr(0, platform::kLibraryHeaderWindow),
                       good.size());
  EXPECT_TRUE(head.Check()) << head.Problem();
  const std::string path = work / "ArcaZip190.dll";
  WriteFileBytes(path, good);
  EXPECT_EQ(platform::CheckLibraryFile(path, TLibraryHeaders::kNative), "");
  platform::TDynamicLibrary library;
  ASSERT_TRUE(library.Load(path)) << library.ErrorText();
  EXPECT_NE(library.Symbol("AZ_Exec"), nullptr);
}

TEST_F(LibraryHeaders, LibraryCutShortIsRefusedBeforeLoading) {
  for (const size_t cut : CutPoints(good)) {
    SCOPED_TRACE(cut);
    ASSERT_LT(cut, good.size());
    // Whatever the cut leaves, the reason names what is missing; "" matches any reason.
    ExpectRefused(good.substr(0, cut), "");
    TLibraryHeaders headers(TLibraryHeaders::kNative, std::string_view(good).substr(0, cut), cut);
    EXPECT_FALSE(headers.Check());
    EXPECT_FALSE(headers.Problem().empty());
  }
}

TEST_F(LibraryHeaders, BentHeadersAreRefusedWithTheirReason) {
  for (const TBentRow& row : kBentRows) {
    SCOPED_TRACE(row.what);
    std::string bytes = good;
    row.bend(bytes);
    ExpectRefused(bytes, row.problem);
  }
}

TEST_F(LibraryHeaders, AFileOfTheOtherFormatIsRefused) {
  const std::string elf = std::string(
                              "\x7F"
                              "ELF",
                              4) +
                          std::string(200, '\0');
  const std::string pe = "MZ" + std::string(200, '\0');
  TLibraryHeaders asPe(TLibraryHeaders::TFormat::Pe, elf, elf.size());
  EXPECT_FALSE(asPe.Check());
  EXPECT_EQ(asPe.Problem(), "not a PE image (no MZ signature)");
  TLibraryHeaders asElf(TLibraryHeaders::TFormat::Elf, pe, pe.size());
  EXPECT_FALSE(asElf.Check());
  EXPECT_EQ(asElf.Problem(), "invalid ELF header");
}

}  // namespace
}  // namespace varelo::test
