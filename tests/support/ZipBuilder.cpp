#include "tests/support/ZipBuilder.h"

#include <zlib.h>

#include <random>
#include <stdexcept>

namespace varelo::test {
namespace {

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put64(std::string& out, uint64_t v) {
  Put32(out, static_cast<uint32_t>(v));
  Put32(out, static_cast<uint32_t>(v >> 32));
}

struct TPlaced {
  uint64_t offset = 0;
  std::string data;
  uint32_t crc = 0;
  uint64_t size = 0;
};

uint32_t Low32(uint64_t v, bool placeholder) {
  return placeholder ? 0xFFFFFFFF : static_cast<uint32_t>(v);
}

class TPkwareKeys {
 public:
  explicit TPkwareKeys(const std::string& password) {
    for (char c : password)
      Update(static_cast<uint8_t>(c));
  }
  uint8_t Encrypt(uint8_t plain) {
    const uint32_t t = (k2_ | 2) & 0xFFFF;
    const uint8_t cipher = plain ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8);
    Update(plain);
    return cipher;
  }

 private:
  static uint32_t Crc(uint32_t crc, uint8_t b) {
    crc ^= b;
    for (int i = 0; i < 8; ++i)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    return crc;
  }
  void Update(uint8_t plain) {
    k0_ = Crc(k0_, plain);
    k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
    k2_ = Crc(k2_, static_cast<uint8_t>(k1_ >> 24));
  }
  uint32_t k0_ = 0x12345678, k1_ = 0x23456789, k2_ = 0x34567890;
};

}  // namespace

uint32_t Crc32(const std::string& bytes) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string Deflate(const std::string& bytes) {
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&z, bytes.size()) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  out.shrink_to_fit();
  deflateEnd(&z);
  return out;
}

std::string EncryptPkware(const std::string& password, const std::string& data, uint8_t check,
                          uint32_t seed) {
  TPkwareKeys keys(password);
  std::mt19937 rng(seed);
  std::string out;
  out.reserve(12 + data.size());
  for (int i = 0; i < 11; ++i)
    out += static_cast<char>(keys.Encrypt(static_cast<uint8_t>(rng())));
  out += static_cast<char>(keys.Encrypt(check));
  for (char c : data)
    out += static_cast<char>(keys.Encrypt(static_cast<uint8_t>(c)));
  return out;
}

std::string ExtraField(uint16_t tag, const std::string& data) {
  std::string out;
  Put16(out, tag);
  Put16(out, static_cast<uint32_t>(data.size()));
  return out + data;
}

std::string UnicodePathExtra(const std::string& rawName, const std::string& unicodeName) {
  std::string data(1, '\1');
  Put32(data, Crc32(rawName));
  return ExtraField(0x7075, data + unicodeName);
}

std::string UnicodeCommentExtra(const std::string& rawComment, const std::string& text) {
  std::string data(1, '\1');
  Put32(data, Crc32(rawComment));
  return ExtraField(0x6375, data + text);
}

std::string ExtendedTimeExtra(int64_t unixTime) {
  std::string data(1, '\1');
  Put32(data, static_cast<uint32_t>(unixTime));
  return ExtraField(0x5455, data);
}

std::string Zip64Extra(const std::vector<uint64_t>& values) {
  std::string data;
  for (uint64_t v : values)
    Put64(data, v);
  return ExtraField(0x0001, data);
}

std::string BuildZip(const std::vector<TZipItem>& items, const TZipLayout& layout) {
  std::string out = layout.prefix;
  const uint64_t base = out.size();  // offsets count from the archive's own start
  std::vector<TPlaced> placed(items.size());
  bool anyZip64 = layout.zip64End;
  for (size_t i = 0; i < items.size(); ++i) {
    const TZipItem& item = items[i];
    TPlaced& p = placed[i];
    anyZip64 = anyZip64 || item.zip64;
    p.data = item.data ? *item.data : item.method == 8 ? Deflate(item.content) : item.content;
    p.crc = item.crc ? *item.crc : Crc32(item.content);
    p.size = item.declaredSize ? *item.declaredSize : item.content.size();
    if (item.password)
      p.data = EncryptPkware(*item.password, p.data, static_cast<uint8_t>(p.crc >> 24), 7 + i);
    if (item.sameDataAs >= 0) {
      p.offset = placed[static_cast<size_t>(item.sameDataAs)].offset;
      continue;
    }
    p.offset = out.size() - base;
    const std::string& name = item.localName ? *item.localName : item.name;
    const std::string extra =
        (item.zip64 ? Zip64Extra({p.size, p.data.size()}) : "") + item.localExtra;
    const uint16_t flags = item.flags | (item.password ? 1 : 0);
    Put32(out, 0x04034B50);
    Put16(out, item.zip64 ? 45 : 20);
    Put16(out, flags);
    Put16(out, item.method);
    Put32(out, 0x5A210000);  // 2025-01-01 00:00
    Put32(out, p.crc);
    Put32(out, Low32(p.data.size(), item.zip64));
    Put32(out, Low32(p.size, item.zip64));
    Put16(out, static_cast<uint32_t>(name.size()));
    Put16(out, static_cast<uint32_t>(extra.size()));
    out += name;
    out += extra;
    out += p.data;
  }
  const uint64_t centralOffset = out.size() - base;
  for (size_t i = 0; i < items.size(); ++i) {
    const TZipItem& item = items[i];
    const TPlaced& p = placed[i];
    const std::string extra =
        (item.zip64 ? Zip64Extra({p.size, p.data.size(), p.offset}) : "") + item.centralExtra;
    Put32(out, 0x02014B50);
    Put16(out, item.versionMadeBy);
    Put16(out, item.zip64 ? 45 : 20);
    Put16(out, item.flags | (item.password ? 1 : 0));
    Put16(out, item.method);
    Put32(out, 0x5A210000);
    Put32(out, p.crc);
    Put32(out, Low32(p.data.size(), item.zip64));
    Put32(out, Low32(p.size, item.zip64));
    Put16(out, static_cast<uint32_t>(item.name.size()));
    Put16(out, static_cast<uint32_t>(extra.size()));
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, item.externalAttributes);
    Put32(out, Low32(p.offset, item.zip64));
    out += item.name;
    out += extra;
  }
  out += layout.centralTail;
  const uint64_t centralSize = layout.centralSize.value_or(out.size() - base - centralOffset);
  const uint64_t count = layout.entryCount.value_or(items.size());
  const bool placeholders = anyZip64 && layout.placeholders;
  if (anyZip64) {
    const uint64_t zip64End = out.size() - base;
    Put32(out, 0x06064B50);
    Put64(out, 44);
    Put16(out, 0x031E);
    Put16(out, 45);
    Put32(out, 0);
    Put32(out, 0);
    Put64(out, count);
    Put64(out, count);
    Put64(out, centralSize);
    Put64(out, centralOffset);
    Put32(out, 0x07064B50);
    Put32(out, 0);
    Put64(out, zip64End);
    Put32(out, 1);
  }
  const uint32_t count16 = placeholders ? 0xFFFF : static_cast<uint32_t>(count & 0xFFFF);
  Put32(out, 0x06054B50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, layout.diskEntries.value_or(count16));
  Put16(out, count16);
  Put32(out, Low32(centralSize, placeholders));
  Put32(out, Low32(centralOffset, placeholders));
  Put16(out, static_cast<uint32_t>(layout.comment.size()));
  out += layout.comment;
  return out;
}

}  // namespace varelo::test
