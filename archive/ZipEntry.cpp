#include "archive/ZipEntry.h"

#include <cctype>

#include "archive/ArchiveLimits.h"
#include "archive/MessageIds.h"
#include "archive/ReadBuffer.h"
#include "archive/ZipFile.h"
#include "platform/CodePage.h"
#include "platform/Paths.h"

#include "archive/LittleEndian.h"

namespace archive {
namespace {

constexpr uint32_t kSigCentral = 0x02014B50;
constexpr uint16_t kTagZip64 = 0x0001;
constexpr uint16_t kTagUnicodePath = 0x7075;
constexpr uint16_t kTagUnicodeComment = 0x6375;
constexpr uint16_t kFlagUtf8 = 0x0800;
constexpr uint32_t kOemCodePage = 850;

uint32_t Crc32(std::string_view bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (char ch : bytes) {
    crc ^= static_cast<uint8_t>(ch);
    for (int k = 0; k < 8; ++k)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

// UTF-8 as the Unicode extra blocks must hold it: non-empty, every lead byte followed by the
// right number of continuation bytes (the old five- and six-byte forms included).
bool WellFormedUtf8(std::string_view text) {
  if (text.empty())
    return false;
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t c = static_cast<uint8_t>(text[i]);
    size_t more;
    if (c < 0x80) {
      more = 0;
    } else if ((c & 0xE0) == 0xC0) {
      more = 1;
    } else if ((c & 0xF0) == 0xE0) {
      more = 2;
    } else if ((c & 0xF8) == 0xF0) {
      more = 3;
    } else if ((c & 0xFC) == 0xF8) {
      more = 4;
    } else if ((c & 0xFE) == 0xFC) {
      more = 5;
    } else {
      return false;
    }
    if (text.size() - i - 1 < more)
      return false;
    for (size_t k = 1; k <= more; ++k) {
      if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80)
        return false;
    }
    i += more + 1;
  }
  return true;
}

// The text of a valid Unicode extra block for these raw bytes, or nothing.
bool UnicodeExtra(std::string_view extra, uint16_t tag, std::string_view raw, std::string& out) {
  std::string_view block;
  if (!FindExtraBlock(extra, tag, block) || block.size() < 5)
    return false;
  if (static_cast<uint8_t>(block[0]) != 1)
    return false;
  if (Get32(reinterpret_cast<const uint8_t*>(block.data()) + 1) != Crc32(raw))
    return false;
  const std::string_view text = block.substr(5);
  if (!WellFormedUtf8(text))
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
  const auto* p = reinterpret_cast<const uint8_t*>(extra.data());
  size_t pos = 0;
  while (extra.size() - pos >= 4) {
    const uint16_t t = Get16(p + pos), n = Get16(p + pos + 2);
    if (t == tag && n <= extra.size() - pos - 4) {
      data = extra.substr(pos + 4, n);
      return true;
    }
    pos += 4 + static_cast<size_t>(n);
    if (pos > extra.size())
      return false;
  }
  return false;
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
  } else if (UnicodeExtra(Extra, kTagUnicodePath, HeaderName, text) ||
             UnicodeExtra(Extra, kTagUnicodeComment, HeaderComment, text)) {
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
        UnicodeExtra(Extra, isName ? kTagUnicodePath : kTagUnicodeComment, raw, out);
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
  if (Get32(p) != kSigCentral)
    return -msg::kCentralSignature;
  VersionMadeBy = Get16(p + 4);
  VersionNeeded = Get16(p + 6);
  Flag = Get16(p + 8);
  ComprMethod = Get16(p + 10);
  ModifDateTime = Get32(p + 12);
  CRC32_ = Get32(p + 16);
  ComprSize = Get32(p + 20);
  UnComprSize = Get32(p + 24);
  const size_t n = Get16(p + 28), e = Get16(p + 30), c = Get16(p + 32);
  DiskStart = Get16(p + 34);
  IntFileAtt = Get16(p + 36);
  ExtFileAtt = Get32(p + 38);
  RelOffLocal = Get32(p + 42);
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
  // and reading the placeholder as a size would be plainly wrong.
  std::string_view block;
  if (!FindExtraBlock(Extra, kTagZip64, block))
    return 0;
  const auto* b = reinterpret_cast<const uint8_t*>(block.data());
  size_t pos = 0;
  bool used = false;
  auto take = [&](bool placeholder, size_t size, auto& value) {
    if (!placeholder)
      return true;
    if (block.size() - pos < size)
      return false;
    value = size == 8 ? static_cast<int64_t>(Get64(b + pos)) : Get32(b + pos);
    pos += size;
    used = true;
    return true;
  };
  if (!take(UnComprSize == 0xFFFFFFFF, 8, UnComprSize) ||
      !take(ComprSize == 0xFFFFFFFF, 8, ComprSize) ||
      !take(RelOffLocal == 0xFFFFFFFF, 8, RelOffLocal) || !take(DiskStart == 0xFFFF, 4, DiskStart))
    return -msg::kZip64Field;
  return used ? 1 : 0;
}

}  // namespace archive
