#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The headers of a shared library file, checked against the file itself before the system's
// loader maps it. The loader maps what the headers describe; a library that arrived short has
// pages past its end, and the first touch of one kills the program (SIGBUS on Linux) instead
// of failing the load. The check refuses such a file with a reason in the loader's manner.
namespace platform {

// Header bytes are looked for in this many bytes at the start of the file: linkers put every
// header a loader reads in the first few KiB.
inline constexpr size_t kLibraryHeaderWindow = 64 * 1024;

class TLibraryHeaders {
 public:
  enum class TFormat { Elf, Pe };
#ifdef _WIN32
  static constexpr TFormat kNative = TFormat::Pe;
#else
  static constexpr TFormat kNative = TFormat::Elf;
#endif

  // `head` is the start of the file (the whole file, or at least kLibraryHeaderWindow bytes of
  // it) and `fileSize` the size of the whole file.
  TLibraryHeaders(TFormat format, std::string_view head, uint64_t fileSize);

  // True when the headers are whole, name a library for this program's machine, and every
  // part of the file they describe lies within the file. Otherwise Problem() says why.
  bool Check();
  const std::string& Problem() const {
    return problem_;
  }

 private:
  bool CheckElf();
  bool CheckElfSegments(bool wide, uint64_t table, uint16_t count);
  bool CheckPe();
  bool CheckPeSections(uint64_t table, uint16_t count);
  bool CheckPeDirectories(uint64_t directories, uint32_t count, uint32_t symbols,
                          uint32_t symbolCount);
  bool Fail(std::string text);
  // The bytes [offset, offset + size) lie within the file / within the head read.
  bool InFile(uint64_t offset, uint64_t size) const;
  bool InHead(uint64_t offset, uint64_t size) const;
  // Little-endian fields of the head; the caller checked InHead first.
  uint16_t Get16(uint64_t offset) const;
  uint32_t Get32(uint64_t offset) const;
  uint64_t Get64(uint64_t offset) const;
  std::string Extent(uint64_t offset, uint64_t size) const;

  TFormat format_;
  std::string_view head_;
  uint64_t fileSize_;
  std::string problem_;
};

// Reads the start of the library file at `path` (a Windows or host path, as the loader takes
// it) and checks its headers. Empty when the file passes or cannot be opened (the loader then
// reports that in its own words); otherwise the reason it must not be loaded.
std::string CheckLibraryFile(std::string_view path, TLibraryHeaders::TFormat format);

}  // namespace platform
