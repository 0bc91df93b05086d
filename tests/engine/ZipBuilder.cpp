#include "tests/engine/ZipBuilder.h"

#include <zlib.h>

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

std::string Zip64Extra(uint64_t size, uint64_t compressed, std::optional<uint64_t> offset) {
  std::string extra;
  Put16(extra, 0x0001);
  Put16(extra, offset ? 24 : 16);
  Put64(extra, size);
  Put64(extra, compressed);
  if (offset)
    Put64(extra, *offset);
  return extra;
}

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
  deflateEnd(&z);
  return out;
}

std::string BuildZip(const std::vector<TZipItem>& items) {
  std::string out;
  std::vector<TPlaced> placed(items.size());
  bool anyZip64 = false;
  for (size_t i = 0; i < items.size(); ++i) {
    const TZipItem& item = items[i];
    TPlaced& p = placed[i];
    anyZip64 = anyZip64 || item.zip64;
    p.data = item.data ? *item.data : item.method == 8 ? Deflate(item.content) : item.content;
    p.crc = item.crc ? *item.crc : Crc32(item.content);
    p.size = item.declaredSize ? *item.declaredSize : item.content.size();
    if (item.sameDataAs >= 0) {
      p.offset = placed[static_cast<size_t>(item.sameDataAs)].offset;
      continue;
    }
    p.offset = out.size();
    const std::string& name = item.localName ? *item.localName : item.name;
    const std::string extra = item.zip64 ? Zip64Extra(p.size, p.data.size(), std::nullopt) : "";
    Put32(out, 0x04034B50);
    Put16(out, item.zip64 ? 45 : 20);
    Put16(out, item.flags);
    Put16(out, item.method);
    Put32(out, 0x5A210000);  // 2025-01-01 00:00
    Put32(out, p.crc);
    Put32(out, item.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(p.data.size()));
    Put32(out, item.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(p.size));
    Put16(out, static_cast<uint32_t>(name.size()));
    Put16(out, static_cast<uint32_t>(extra.size()));
    out += name;
    out += extra;
    out += p.data;
  }
  const uint64_t centralOffset = out.size();
  for (size_t i = 0; i < items.size(); ++i) {
    const TZipItem& item = items[i];
    const TPlaced& p = placed[i];
    const std::string extra = item.zip64 ? Zip64Extra(p.size, p.data.size(), p.offset) : "";
    Put32(out, 0x02014B50);
    Put16(out, item.versionMadeBy);
    Put16(out, item.zip64 ? 45 : 20);
    Put16(out, item.flags);
    Put16(out, item.method);
    Put32(out, 0x5A210000);
    Put32(out, p.crc);
    Put32(out, item.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(p.data.size()));
    Put32(out, item.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(p.size));
    Put16(out, static_cast<uint32_t>(item.name.size()));
    Put16(out, static_cast<uint32_t>(extra.size()));
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, item.externalAttributes);
    Put32(out, item.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(p.offset));
    out += item.name;
    out += extra;
  }
  const uint64_t centralSize = out.size() - centralOffset;
  if (anyZip64) {
    const uint64_t zip64End = out.size();
    Put32(out, 0x06064B50);
    Put64(out, 44);
    Put16(out, 0x031E);
    Put16(out, 45);
    Put32(out, 0);
    Put32(out, 0);
    Put64(out, items.size());
    Put64(out, items.size());
    Put64(out, centralSize);
    Put64(out, centralOffset);
    Put32(out, 0x07064B50);
    Put32(out, 0);
    Put64(out, zip64End);
    Put32(out, 1);
  }
  Put32(out, 0x06054B50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, anyZip64 ? 0xFFFF : static_cast<uint32_t>(items.size()));
  Put16(out, anyZip64 ? 0xFFFF : static_cast<uint32_t>(items.size()));
  Put32(out, anyZip64 ? 0xFFFFFFFF : static_cast<uint32_t>(centralSize));
  Put32(out, anyZip64 ? 0xFFFFFFFF : static_cast<uint32_t>(centralOffset));
  Put16(out, 0);
  return out;
}

}  // namespace varelo::test
