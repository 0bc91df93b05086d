#include "tests/archive/ArchiveTestSupport.h"

#include <sstream>

#include "archive/ZipArcaError.h"
#include "tests/support/Process.h"

namespace varelo::test {

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
