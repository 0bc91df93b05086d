#include "archive/Lzss.h"

#include <array>
#include <vector>

#include "archive/ArchiveLimits.h"

namespace archive {
namespace {

constexpr size_t kRingMask = kLzssRingSize - 1;
// Matches reach back no further than this, so that no byte of a reference is overwritten in
// the ring before the decoder copies it.
constexpr size_t kMaxDistance = kLzssRingSize - kLzssMaxMatch;
// Candidates visited per position: UTF-16 text repeats the zero byte on every other byte, and
// a full search of those chains would make the build step slow for little gain.
constexpr int kMaxChainSteps = 128;

uint32_t Get32(std::string_view s) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<uint8_t>(s[i]);
  return v;
}

}  // namespace

int LzssDecode(std::string_view stream, std::string& out) {
  out.clear();
  if (stream.size() < 4)
    return kLzssDamaged;
  const uint32_t expected = Get32(stream);
  // Bytes beyond the stored size are never kept: a lying stream cannot grow the output.
  const size_t limit = expected;
  std::array<uint8_t, kLzssRingSize> ring{};
  size_t r = kLzssRingStart;
  size_t pos = 4;
  bool overflow = false;
  auto emit = [&](uint8_t c) {
    if (out.size() < limit) {
      out.push_back(static_cast<char>(c));
    } else {
      overflow = true;
    }
    ring[r] = c;
    r = (r + 1) & kRingMask;
  };
  while (pos < stream.size()) {
    const uint8_t flags = static_cast<uint8_t>(stream[pos++]);
    for (int bit = 0; bit < 8 && pos < stream.size(); ++bit) {
      if ((flags >> bit) & 1) {
        emit(static_cast<uint8_t>(stream[pos++]));
        continue;
      }
      if (stream.size() - pos < 2)
        return kLzssDamaged;  // a reference cut short by the end of the budget
      const uint8_t b0 = static_cast<uint8_t>(stream[pos]);
      const uint8_t b1 = static_cast<uint8_t>(stream[pos + 1]);
      pos += 2;
      const size_t offset = b0 + (static_cast<size_t>(b1 & 0xF0) << 4);
      const size_t length = (b1 & 0x0F) + kLzssMinMatch;
      for (size_t k = 0; k < length; ++k)
        emit(ring[(offset + k) & kRingMask]);
    }
  }
  if (overflow || out.size() != expected)
    return kLzssSizeMismatch;
  return kLzssGood;
}

std::string LzssEncode(std::string_view data) {
  std::string stream(4, '\0');
  const uint32_t n = static_cast<uint32_t>(data.size());
  for (int i = 0; i < 4; ++i)
    stream[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
  // Where each byte value last occurred, chained, so the search only visits real candidates.
  std::vector<int64_t> previous(data.size(), -1);
  std::array<int64_t, 256> last;
  last.fill(-1);
  size_t flagPos = 0;
  int bit = 8;
  auto item = [&](bool literal) {
    if (bit == 8) {
      flagPos = stream.size();
      stream.push_back('\0');
      bit = 0;
    }
    if (literal)
      stream[flagPos] = static_cast<char>(stream[flagPos] | (1 << bit));
    ++bit;
  };
  auto remember = [&](size_t i) {
    const uint8_t c = static_cast<uint8_t>(data[i]);
    previous[i] = last[c];
    last[c] = static_cast<int64_t>(i);
  };
  size_t i = 0;
  while (i < data.size()) {
    size_t bestLength = 0, bestDistance = 0;
    const size_t room = std::min(kLzssMaxMatch, data.size() - i);
    int steps = 0;
    for (int64_t j = last[static_cast<uint8_t>(data[i])];
         j >= 0 && i - static_cast<size_t>(j) <= kMaxDistance && steps < kMaxChainSteps;
         j = previous[j], ++steps) {
      // A candidate that cannot beat the best so far is skipped on its first telling byte.
      if (bestLength > 0 && data[static_cast<size_t>(j) + bestLength] != data[i + bestLength])
        continue;
      size_t length = 0;
      while (length < room && data[static_cast<size_t>(j) + length] == data[i + length])
        ++length;
      if (length > bestLength) {
        bestLength = length;
        bestDistance = i - static_cast<size_t>(j);
        if (length == room)
          break;
      }
    }
    if (bestLength < kLzssMinMatch) {
      item(true);
      stream.push_back(data[i]);
      remember(i);
      ++i;
      continue;
    }
    item(false);
    const size_t offset = (kLzssRingStart + i - bestDistance) & kRingMask;
    stream.push_back(static_cast<char>(offset & 0xFF));
    stream.push_back(static_cast<char>(((offset >> 4) & 0xF0) | (bestLength - kLzssMinMatch)));
    for (size_t k = 0; k < bestLength; ++k)
      remember(i + k);
    i += bestLength;
  }
  return stream;
}

}  // namespace archive
