#include "tests/archive/ArchiveTestSupport.h"

#include <sstream>

#include "archive/ZipArcaError.h"
#include "tests/support/Process.h"

namespace varelo::test {

std::string Le16(uint16_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
std::string Le32(uint32_t v) {
  return Le16(static_cast<uint16_t>(v)) + Le16(static_cast<uint16_t>(v >> 16));
}
std::string Le64(uint64_t v) {
  return Le32(static_cast<uint32_t>(v)) + Le32(static_cast<uint32_t>(v >> 32));
}

uint32_t Crc32Of(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (char ch : bytes) {
    crc ^= static_cast<uint8_t>(ch);
    for (int k = 0; k < 8; ++k)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

std::string CentralRecordBytes(const TCentralRecord& r) {
  std::string out = Le32(0x02014B50);
  out += Le16(r.versionMadeBy) + Le16(r.versionNeeded) + Le16(r.flags) + Le16(0);
  out += Le32(0x5A210000) + Le32(r.crc) + Le32(r.compressedSize) + Le32(r.uncompressedSize);
  out += Le16(r.nameLength == 0xFFFF ? static_cast<uint16_t>(r.name.size()) : r.nameLength);
  out +=
      Le16(static_cast<uint16_t>(r.extra.size())) + Le16(static_cast<uint16_t>(r.comment.size()));
  out += Le16(r.diskStart) + Le16(0) + Le32(0) + Le32(r.localOffset);
  return out + r.name + r.extra + r.comment;
}

std::string EndRecordBytes(uint16_t entries, uint32_t size, uint32_t offset,
                           const std::string& comment) {
  return Le32(0x06054B50) + Le16(0) + Le16(0) + Le16(entries) + Le16(entries) + Le32(size) +
         Le32(offset) + Le16(static_cast<uint16_t>(comment.size())) + comment;
}

std::string Zip64EndBytes(uint64_t entries, uint64_t size, uint64_t offset, uint16_t needed) {
  return Le32(0x06064B50) + Le64(44) + Le16(0x031E) + Le16(needed) + Le32(0) + Le32(0) +
         Le64(entries) + Le64(entries) + Le64(size) + Le64(offset);
}

std::string Zip64LocatorBytes(uint64_t recordOffset, uint32_t totalDisks, uint32_t recordDisk) {
  return Le32(0x07064B50) + Le32(recordDisk) + Le64(recordOffset) + Le32(totalDisks);
}

std::string BuildCentral(const std::string& prefix, const std::vector<TCentralRecord>& records,
                         const TEndRecord& end) {
  std::string central;
  for (const TCentralRecord& r : records)
    central += CentralRecordBytes(r);
  const auto count = static_cast<uint16_t>(records.size());
  std::string out = prefix + central;
  out += Le32(0x06054B50) + Le16(end.thisDisk) + Le16(end.startDisk);
  out += Le16(end.diskEntries < 0 ? count : static_cast<uint16_t>(end.diskEntries));
  out += Le16(end.totalEntries < 0 ? count : static_cast<uint16_t>(end.totalEntries));
  out += Le32(end.centralSize < 0 ? static_cast<uint32_t>(central.size())
                                  : static_cast<uint32_t>(end.centralSize));
  out += Le32(end.centralOffset < 0 ? static_cast<uint32_t>(prefix.size())
                                    : static_cast<uint32_t>(end.centralOffset));
  out += Le16(end.commentLength < 0 ? static_cast<uint16_t>(end.comment.size())
                                    : static_cast<uint16_t>(end.commentLength));
  return out + end.comment;
}

int OpenArchive(archive::TZAZipFile& zip, const std::string& path) {
  zip.FileName = path;
  try {
    const int r = zip.Open(false, false, 1);
    zip.Close();
    return r;
  } catch (const archive::EZipArca& error) {
    return -error.Id();
  }
}

bool ZipInfo(const std::string& path, std::vector<TZipInfoEntry>& out) {
  std::string text;
  if (!HaveProgram("zipinfo") || RunCommand({"zipinfo", "-v", path}, &text) != 0)
    return false;
  std::istringstream in(text);
  std::string line;
  bool wantName = false;
  auto value = [](const std::string& l) {
    const size_t colon = l.find(':');
    return std::stoll(l.substr(colon + 1));
  };
  while (std::getline(in, line)) {
    if (line.rfind("Central directory entry #", 0) == 0) {
      out.emplace_back();
      wantName = true;
      continue;
    }
    if (out.empty())
      continue;
    if (wantName) {
      if (line.empty() || line[0] == '-' || line.rfind("  There ", 0) == 0)
        continue;
      out.back().name = line.substr(2);
      wantName = false;
    } else if (line.find("offset of local header from start of archive:") != std::string::npos) {
      out.back().offset = value(line);
    } else if (line.find("  compressed size:") == 0) {
      out.back().compressed = value(line);
    } else if (line.find("  uncompressed size:") == 0) {
      out.back().uncompressed = value(line);
    } else if (line.find("32-bit CRC value (hex):") != std::string::npos) {
      out.back().crc =
          static_cast<uint32_t>(std::stoul(line.substr(line.find(':') + 1), nullptr, 16));
    }
  }
  return true;
}

}  // namespace varelo::test
