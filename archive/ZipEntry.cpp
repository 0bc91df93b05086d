#include "archive/ZipEntry.h"

#include <cctype>

#include "archive/ArchiveLimits.h"
#include "archive/MessageIds.h"
#include "archive/ReadBuffer.h"
#include "archive/ZipFile.h"
#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "zipformat/ExtraFields.h"
#include "zipformat/UnicodeExtra.h"
#include "zipformat/Zip64Fields.h"
#include "zipformat/ZipRecords.h"

namespace archive {
namespace {

constexpr uint16_t kFlagUtf8 = 0x0800;
constexpr uint32_t kOemCodePage = 850;

// The text of a valid Unicode extra block for these raw bytes, or nothing.
bool UnicodeExtra(std::string_view extra, uint16_t tag, std::string_view raw, std::string& out) {
  std::string_view text;
  if (!zipformat::UnicodeExtraText(extra, tag, raw, text))
    return false;
  out.assign(text);
  return true;
}

bool IsAscii(std::string_view raw) {
  for (char ch : raw) {
    if (static_cast<uint8_t>(ch) >= 0x80)
      return false;
  }
  return true;
}

bool NeedsConversion(std::string_view raw) {
  for (char ch : raw) {
    const uint8_t c = static_cast<uint8_t>(ch);
    if (c <= 30 || c >= 127)
      return true;
  }
  return false;
}

}  // namespace

bool FindExtraBlock(std::string_view extra, uint16_t tag, std::string_view& data) {
  return zipformat::FindExtra(extra, tag, data);
}

uint32_t ZipNameHash(std::string_view utf8) {
  uint32_t h = 0;
  auto add = [&h](uint32_t unit) {
    if (unit == '/')
      unit = '\\';
    h = (h << 4) + unit;
    const uint32_t g = h & 0xF0000000u;
    if (g != 0)
      h = (h ^ (g >> 24)) & 0x0FFFFFFFu;
  };
  size_t i = 0;
  while (i < utf8.size()) {
    const uint8_t c = static_cast<uint8_t>(utf8[i]);
    if (c < 0x80) {
      add(c);
      ++i;
      continue;
    }
    // The decoded names are valid UTF-8; decode the code point and add its UTF-16 units.
    size_t more = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : 3;
    uint32_t cp = c & (0x3F >> more);
    for (size_t k = 1; k <= more && i + k < utf8.size(); ++k)
      cp = (cp << 6) | (static_cast<uint8_t>(utf8[i + k]) & 0x3F);
    i += more + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      add(0xD800 + (cp >> 10));
      add(0xDC00 + (cp & 0x3FF));
    } else {
      add(cp);
    }
  }
  return h;
}

TZAEncodingOpts TZADirEntry::Encoded() const {
  const TZAEncodingOpts chosen = Owner != nullptr ? Owner->Encoding : zeoAuto;
  if (chosen != zeoAuto)
    return chosen;
  const uint32_t cached = (StatusBits & kStatusEncodingMask) >> kStatusEncodingShift;
  if (cached != 0)
    return static_cast<TZAEncodingOpts>(cached);
  TZAEncodingOpts found = zeoNone;
  std::string text;
  if ((Flag & kFlagUtf8) != 0) {
    found = zeoUTF8;
  } else if (UnicodeExtra(Extra, zipformat::kTagUnicodePath, HeaderName, text) ||
             UnicodeExtra(Extra, zipformat::kTagUnicodeComment, HeaderComment, text)) {
    found = zeoUPath;
  } else if ((VersionMadeBy >> 8) == 0 || (VersionMadeBy >> 8) == 6 || VersionMadeBy == 0x0B32) {
    found = zeoOEM;
  }
  StatusBits =
      (StatusBits & ~kStatusEncodingMask) | (static_cast<uint32_t>(found) << kStatusEncodingShift);
  return found;
}

std::string TZADirEntry::Decode(std::string_view raw, bool isName) const {
  const TZAEncodingOpts e = Encoded();
  std::string out;
  if (e == zeoUPath || NeedsConversion(raw)) {
    switch (e) {
      case zeoNone:
        out = Owner != nullptr && Owner->Encoding_CP == kOemCodePage ? platform::OemToUtf8(raw)
                                                                     : platform::AnsiToUtf8(raw);
        break;
      case zeoOEM:
        out = platform::OemToUtf8(raw);
        break;
      case zeoUTF8:
        if (platform::IsValidUtf8(raw))
          out.assign(raw);
        break;
      case zeoUPath:
        UnicodeExtra(Extra, isName ? zipformat::kTagUnicodePath : zipformat::kTagUnicodeComment,
                     raw, out);
        break;
      default:
        break;
    }
  }
  // No conversion applied, or it gave nothing: the bytes through the ANSI code page, which
  // leaves plain ASCII as it is (the common case, kept off the converter).
  if (out.empty())
    out = IsAscii(raw) ? std::string(raw) : platform::AnsiToUtf8(raw);
  if (isName) {
    for (char& c : out) {
      if (c == '/')
        c = '\\';
    }
  }
  return out;
}

const std::string& TZADirEntry::FileName() const {
  if (!nameDecoded_) {
    fileName_ = Decode(HeaderName, true);
    nameDecoded_ = true;
  }
  return fileName_;
}

std::string TZADirEntry::FileComment() const {
  return HeaderComment.empty() ? std::string() : Decode(HeaderComment, false);
}

std::string_view TZAIRec::KeyName() const {
  if (!nameDecoded_ && Encoded() != zeoUPath && !NeedsConversion(HeaderName))
    return HeaderName;
  return FileName();
}

uint32_t TZAIRec::NameHash() const {
  if ((StatusBits & kStatusHashValid) == 0) {
    Hash = ZipNameHash(KeyName());
    StatusBits |= kStatusHashValid;
  }
  return Hash;
}

bool ZipSameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  auto fold = [](unsigned char c) { return c == '/' ? '\\' : std::tolower(c); };
  bool ascii = true;
  for (size_t i = 0; i < a.size() && ascii; ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 0x80 || y >= 0x80) {
      ascii = false;
    } else if (fold(x) != fold(y)) {
      return false;
    }
  }
  if (ascii)
    return true;
  std::string fa = platform::FoldCase(a), fb = platform::FoldCase(b);
  for (std::string* f : {&fa, &fb}) {
    for (char& c : *f) {
      if (c == '/')
        c = '\\';
    }
  }
  return fa == fb;
}

int TZAIRec::Read(TZAReadBuffer& in) {
  StatusBits = kStatusReading;
  const uint8_t* p = nullptr;
  if (in.Next(kCentralRecordSize, p) < static_cast<size_t>(kCentralRecordSize))
    return -msg::kReadCentral;
  const zipformat::TCentralHeader h = zipformat::ReadCentralHeader(p);
  if (h.signature != zipformat::kSigCentral)
    return -msg::kCentralSignature;
  VersionMadeBy = h.versionMadeBy;
  VersionNeeded = h.versionNeeded;
  Flag = h.flags;
  ComprMethod = h.method;
  ModifDateTime = h.dosDateTime;
  CRC32_ = h.crc32;
  ComprSize = h.compressedSize;
  UnComprSize = h.uncompressedSize;
  DiskStart = h.diskStart;
  IntFileAtt = h.internalAttributes;
  ExtFileAtt = h.externalAttributes;
  RelOffLocal = h.localOffset;
  const size_t n = h.nameLength, e = h.extraLength, c = h.commentLength;
  const size_t got = in.Next(n + e + c, p);
  if (got < n)
    return -msg::kReadName;
  if (got < n + e)
    return -msg::kSeekError;
  if (got < n + e + c)
    return -msg::kReadComment;
  const char* text = reinterpret_cast<const char*>(p);
  HeaderName = std::string_view(text, n);
  Extra = std::string_view(text + n, e);
  HeaderComment = std::string_view(text + n + e, c);
  StatusBits &= ~kStatusReading;
  if (n > 0 && HeaderName.back() == '/')
    StatusBits |= kStatusDirOnly;
  // The Zip64 values are taken whenever a placeholder asks for them, whatever "version
  // needed" says: some writers mark folders 1.0 and still put their sizes in the Zip64 block,
  // and reading the placeholder as a size would be plainly wrong. Without a Zip64 block the
  // placeholders stay as they are, values like any other.
  zipformat::TZip64Values values{h.uncompressedSize, h.compressedSize, h.localOffset, h.diskStart};
  const zipformat::TZip64Outcome outcome = zipformat::ApplyZip64(Extra, values);
  if (outcome == zipformat::TZip64Outcome::kTooShort)
    return -msg::kZip64Field;
  UnComprSize = static_cast<int64_t>(values.uncompressed);
  ComprSize = static_cast<int64_t>(values.compressed);
  RelOffLocal = static_cast<int64_t>(values.localOffset);
  DiskStart = values.diskStart;
  return outcome == zipformat::TZip64Outcome::kTaken ? 1 : 0;
}

}  // namespace archive
