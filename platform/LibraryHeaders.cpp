// Shared by both backends: the ELF check serves the Linux loader, the PE check the Windows one;
// each reads only the bytes it was given, so a hostile file can claim anything.
#include "platform/LibraryHeaders.h"

#include <algorithm>
#include <cstring>

#include "platform/File.h"

namespace platform {
namespace {

// ELF: identification, header sizes and the values a library for this program carries.
constexpr size_t kElfIdentSize = 16;
constexpr uint8_t kElfClass32 = 1, kElfClass64 = 2;
constexpr uint8_t kElfDataLittle = 1;
constexpr uint8_t kElfVersionCurrent = 1;
constexpr uint16_t kElfTypeShared = 3;
constexpr uint64_t kElfHeader32 = 52, kElfHeader64 = 64;
constexpr uint16_t kElfPhdr32 = 32, kElfPhdr64 = 56;
constexpr uint16_t kElfShdr32 = 40, kElfShdr64 = 64;
constexpr uint16_t kElfExtendedCount = 0xFFFF;  // the real count is kept in section header 0
constexpr uint32_t kElfSegmentLoad = 1;

// PE: the MS-DOS header's pointer to the PE header, the COFF header and the optional header.
constexpr uint64_t kDosHeaderSize = 64;
constexpr uint64_t kDosPeOffsetField = 0x3C;
constexpr uint64_t kCoffHeaderSize = 20;
constexpr uint16_t kPeMagic32 = 0x10B, kPeMagic64 = 0x20B;
constexpr uint64_t kPeDirectories32 = 96, kPeDirectories64 = 112;  // where the directories start
constexpr uint64_t kPeSizeOfHeadersField = 60;
constexpr uint64_t kPeSectionSize = 40;
constexpr uint64_t kPeDirectorySize = 8;
constexpr uint32_t kPeSecurityDirectory = 4;  // its address is a file offset, not mapped
constexpr uint64_t kCoffSymbolSize = 18;
constexpr uint16_t kPeExecutableImage = 0x0002, kPeDll = 0x2000;

#if defined(__x86_64__) || defined(_M_X64)
constexpr uint16_t kElfMachine = 62, kPeMachine = 0x8664;
#elif defined(__i386__) || defined(_M_IX86)
constexpr uint16_t kElfMachine = 3, kPeMachine = 0x14C;
#elif defined(__aarch64__) || defined(_M_ARM64)
constexpr uint16_t kElfMachine = 183, kPeMachine = 0xAA64;
#else
constexpr uint16_t kElfMachine = 0, kPeMachine = 0;  // not checked on other machines
#endif
constexpr bool kWide = sizeof(void*) == 8;

}  // namespace

TLibraryHeaders::TLibraryHeaders(TFormat format, std::string_view head, uint64_t fileSize)
    : format_(format),
      head_(head.substr(0, std::min<uint64_t>(head.size(), fileSize))),
      fileSize_(fileSize) {}

bool TLibraryHeaders::Check() {
  problem_.clear();
  return format_ == TFormat::Elf ? CheckElf() : CheckPe();
}

bool TLibraryHeaders::Fail(std::string text) {
  problem_ = std::move(text);
  return false;
}

bool TLibraryHeaders::InFile(uint64_t offset, uint64_t size) const {
  return offset <= fileSize_ && size <= fileSize_ - offset;
}

bool TLibraryHeaders::InHead(uint64_t offset, uint64_t size) const {
  return offset <= head_.size() && size <= head_.size() - offset;
}

uint16_t TLibraryHeaders::Get16(uint64_t offset) const {
  const auto* p = reinterpret_cast<const uint8_t*>(head_.data()) + offset;
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t TLibraryHeaders::Get32(uint64_t offset) const {
  return Get16(offset) | uint32_t{Get16(offset + 2)} << 16;
}

uint64_t TLibraryHeaders::Get64(uint64_t offset) const {
  return Get32(offset) | uint64_t{Get32(offset + 4)} << 32;
}

std::string TLibraryHeaders::Extent(uint64_t offset, uint64_t size) const {
  // Printed without adding, so an offset and size chosen to overflow print as given.
  return "bytes " + std::to_string(offset) + " + " + std::to_string(size) + " of a " +
         std::to_string(fileSize_) + "-byte file";
}

bool TLibraryHeaders::CheckElf() {
  if (!InHead(0, kElfIdentSize))
    return Fail("file too short");
  if (head_.substr(0, 4) != std::string_view("\x7F"
                                             "ELF",
                                             4))
    return Fail("invalid ELF header");
  const auto ident = [&](size_t i) { return static_cast<uint8_t>(head_[i]); };
  const uint8_t wantClass = kWide ? kElfClass64 : kElfClass32;
  if (ident(4) != wantClass)
    return Fail(std::string("wrong ELF class: ELFCLASS") + (ident(4) == kElfClass64 ? "64" : "32"));
  if (ident(5) != kElfDataLittle)
    return Fail("ELF file data encoding not little-endian");
  if (ident(6) != kElfVersionCurrent)
    return Fail("ELF file version does not match current one");
  const bool wide = kWide;
  const uint64_t headerSize = wide ? kElfHeader64 : kElfHeader32;
  if (!InHead(0, headerSize))
    return Fail("file too short");
  if (Get16(16) != kElfTypeShared)
    return Fail("not a shared library (ELF type " + std::to_string(Get16(16)) + ")");
  if (kElfMachine != 0 && Get16(18) != kElfMachine)
    return Fail("ELF file for another machine (" + std::to_string(Get16(18)) + ")");
  const uint64_t phoff = wide ? Get64(32) : Get32(28);
  const uint64_t shoff = wide ? Get64(40) : Get32(32);
  const uint64_t at = wide ? 52 : 40;  // e_ehsize and the five sizes and counts after it
  if (Get16(at) < headerSize)
    return Fail("ELF header size " + std::to_string(Get16(at)) + " too small");
  const uint16_t phentsize = Get16(at + 2), phnum = Get16(at + 4);
  const uint16_t shentsize = Get16(at + 6), shnum = Get16(at + 8);
  if (phentsize != (wide ? kElfPhdr64 : kElfPhdr32))
    return Fail("ELF file's phentsize not the expected size");
  if (phnum == 0 || phnum == kElfExtendedCount)
    return Fail("ELF file has " + std::string(phnum == 0 ? "no" : "an extended count of") +
                " program headers");
  if (shoff != 0) {
    // The section headers are not mapped, but linkers put them last: a file that lost them
    // arrived short. With a count of 0 (an extended count) the first one must be there.
    if (shentsize != (wide ? kElfShdr64 : kElfShdr32))
      return Fail("ELF file's shentsize not the expected size");
    const uint64_t size = uint64_t{std::max<uint16_t>(shnum, 1)} * shentsize;
    if (!InFile(shoff, size))
      return Fail("section headers past the end of the file (" + Extent(shoff, size) + ")");
  }
  return CheckElfSegments(wide, phoff, phnum);
}

bool TLibraryHeaders::CheckElfSegments(bool wide, uint64_t table, uint16_t count) {
  const uint64_t entry = wide ? kElfPhdr64 : kElfPhdr32;
  const uint64_t size = count * entry;
  if (!InFile(table, size))
    return Fail("program headers past the end of the file (" + Extent(table, size) + ")");
  if (!InHead(table, size))
    return Fail("program headers beyond the first " + std::to_string(kLibraryHeaderWindow) +
                " bytes");
  bool loadable = false;
  for (uint16_t i = 0; i < count; ++i) {
    const uint64_t p = table + i * entry;
    const uint32_t type = Get32(p);
    const uint64_t offset = wide ? Get64(p + 8) : Get32(p + 4);
    const uint64_t filesz = wide ? Get64(p + 32) : Get32(p + 16);
    const uint64_t memsz = wide ? Get64(p + 40) : Get32(p + 20);
    // Every segment's bytes, loaded or only read (dynamic section, notes), come from the file.
    if (!InFile(offset, filesz)) {
      return Fail(std::string(type == kElfSegmentLoad ? "ELF load command" : "ELF segment") +
                  " past end of file (segment " + std::to_string(i) + ", " +
                  Extent(offset, filesz) + ")");
    }
    if (type != kElfSegmentLoad)
      continue;
    if (filesz > memsz)
      return Fail("ELF load command filesz larger than memsz (segment " + std::to_string(i) + ")");
    loadable = true;
  }
  if (!loadable)
    return Fail("object file has no loadable segments");
  return true;
}

bool TLibraryHeaders::CheckPe() {
  if (!InHead(0, kDosHeaderSize))
    return Fail("file too short for an MS-DOS header");
  if (head_.substr(0, 2) != "MZ")
    return Fail("not a PE image (no MZ signature)");
  const uint64_t pe = Get32(kDosPeOffsetField);
  if (!InFile(pe, 4 + kCoffHeaderSize))
    return Fail("PE header past the end of the file (" + Extent(pe, 4 + kCoffHeaderSize) + ")");
  if (!InHead(pe, 4 + kCoffHeaderSize))
    return Fail("PE header beyond the first " + std::to_string(kLibraryHeaderWindow) + " bytes");
  if (head_.substr(pe, 4) != std::string_view("PE\0\0", 4))
    return Fail("not a PE image (no PE signature)");
  const uint64_t coff = pe + 4;
  if (kPeMachine != 0 && Get16(coff) != kPeMachine)
    return Fail("PE image for another machine (" + std::to_string(Get16(coff)) + ")");
  const uint16_t sections = Get16(coff + 2);
  const uint32_t symbols = Get32(coff + 8), symbolCount = Get32(coff + 12);
  const uint16_t optionalSize = Get16(coff + 16);
  const uint16_t characteristics = Get16(coff + 18);
  if ((characteristics & (kPeExecutableImage | kPeDll)) != (kPeExecutableImage | kPeDll))
    return Fail("PE image is not a DLL");
  if (sections == 0)
    return Fail("PE image has no sections");
  const uint64_t optional = coff + kCoffHeaderSize;
  if (!InFile(optional, optionalSize))
    return Fail("optional header past the end of the file (" + Extent(optional, optionalSize) +
                ")");
  if (!InHead(optional, optionalSize))
    return Fail("optional header beyond the first " + std::to_string(kLibraryHeaderWindow) +
                " bytes");
  const uint16_t magic = kWide ? kPeMagic64 : kPeMagic32;
  const uint64_t directories = kWide ? kPeDirectories64 : kPeDirectories32;
  if (optionalSize < directories || Get16(optional) != magic)
    return Fail(std::string("optional header is not that of a ") + (kWide ? "PE32+" : "PE32") +
                " image");
  const uint32_t headers = Get32(optional + kPeSizeOfHeadersField);
  if (headers > fileSize_)
    return Fail("headers past the end of the file (" + Extent(0, headers) + ")");
  const uint32_t directoryCount = Get32(optional + directories - 4);
  if (directoryCount > (optionalSize - directories) / kPeDirectorySize)
    return Fail("data directories past the optional header (" + std::to_string(directoryCount) +
                ")");
  if (!CheckPeSections(optional + optionalSize, sections))
    return false;
  return CheckPeDirectories(optional + directories, directoryCount, symbols, symbolCount);
}

bool TLibraryHeaders::CheckPeSections(uint64_t table, uint16_t count) {
  const uint64_t size = count * kPeSectionSize;
  if (!InFile(table, size))
    return Fail("section table past the end of the file (" + Extent(table, size) + ")");
  if (!InHead(table, size))
    return Fail("section table beyond the first " + std::to_string(kLibraryHeaderWindow) +
                " bytes");
  for (uint16_t i = 0; i < count; ++i) {
    const uint64_t s = table + i * kPeSectionSize;
    const uint32_t rawSize = Get32(s + 16), rawOffset = Get32(s + 20);
    if (rawSize == 0)
      continue;
    if (!InFile(rawOffset, rawSize)) {
      std::string name(head_.substr(s, 8));
      name.resize(std::strlen(name.c_str()));
      return Fail("section " + std::to_string(i) + " (" + name + ") past the end of the file (" +
                  Extent(rawOffset, rawSize) + ")");
    }
  }
  return true;
}

bool TLibraryHeaders::CheckPeDirectories(uint64_t directories, uint32_t count, uint32_t symbols,
                                         uint32_t symbolCount) {
  // Neither the certificates nor the symbol table are mapped, but both lie at the end of a
  // file: a file without them arrived short.
  if (count > kPeSecurityDirectory) {
    const uint64_t d = directories + kPeSecurityDirectory * kPeDirectorySize;
    const uint32_t offset = Get32(d), size = Get32(d + 4);
    if (offset != 0 && size != 0 && !InFile(offset, size))
      return Fail("certificates past the end of the file (" + Extent(offset, size) + ")");
  }
  const uint64_t symbolBytes = uint64_t{symbolCount} * kCoffSymbolSize;
  if (symbols != 0 && !InFile(symbols, symbolBytes))
    return Fail("symbol table past the end of the file (" + Extent(symbols, symbolBytes) + ")");
  return true;
}

std::string CheckLibraryFile(std::string_view path, TLibraryHeaders::TFormat format) {
  TFile file;
  if (!file.Open(path, TFileAccess::Read, TFileCreate::OpenExisting))
    return {};
  const int64_t size = file.Size();
  if (size < 0)
    return {};
  std::string head(static_cast<size_t>(std::min<int64_t>(size, kLibraryHeaderWindow)), '\0');
  size_t got = 0;
  while (got < head.size()) {
    const int64_t n = file.Read(head.data() + got, head.size() - got);
    if (n < 0)
      return "cannot read the file's headers (" + OsErrorText(LastOsError()) + ")";
    if (n == 0)
      break;  // shorter than it said a moment ago: the check sees what is there
    got += static_cast<size_t>(n);
  }
  const bool cutWhileRead = got < head.size();
  head.resize(got);
  TLibraryHeaders headers(format, head, cutWhileRead ? got : static_cast<uint64_t>(size));
  return headers.Check() ? std::string() : headers.Problem();
}

}  // namespace platform
