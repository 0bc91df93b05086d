#include "net/ProtoAddress.h"

#include <cstdint>

#include "net/ProtoText.h"

namespace net {

namespace {

constexpr int kIPv6Groups = 8;
constexpr int kMaxIPv6Colons = 7;

// Decimal text to integer as the address parsers convert fields: -1 when it is not a number
// made only of digits or does not fit in 32 bits.
int64_t DecimalField(const std::string& field) {
  const int64_t value = DecimalNumber(field);
  return value > 0x7FFFFFFF ? -1 : value;
}

// Hexadecimal text of 0..FFFF; -1 otherwise.
int HexField(const std::string& field) {
  return field.size() > 4 ? -1 : static_cast<int>(HexNumber(field));
}

bool IsIPv6Group(const std::string& field, bool last) {
  if (last && field.find('%') != std::string::npos) {
    return HexField(TextBefore(field, "%")) >= 0 && HexField(TextAfter(field, "%")) >= 0;
  }
  return HexField(field) >= 0;
}

}  // namespace

bool IsIPv4Literal(std::string_view value) {
  std::string rest(value);
  for (int i = 0; i < 3; ++i) {
    const int64_t n = DecimalField(CutField(rest, "."));
    if (n < 0 || n > 255) {
      return false;
    }
  }
  const int64_t n = DecimalField(rest);
  return n >= 0 && n <= 255;
}

bool IsIPv6Literal(std::string_view value) {
  if (value == "::") {
    return true;
  }
  std::string rest(value);
  int fields = 0;
  int emptyFields = 0;
  std::string field;
  bool leadingEmpty = false;
  while (!rest.empty()) {
    field = CutField(rest, ":");
    ++fields;
    if (fields == 1 && field.empty()) {
      leadingEmpty = true;
    }
    if (field.empty()) {
      if (fields > 1) {
        ++emptyFields;
      }
      if (emptyFields > 1) {
        return false;
      }
      continue;
    }
    // A leading "::" yields two empty fields for one group position; the first of them is
    // not a group of its own, so "::2:3:4:5:6:7:8" has room for its seven groups.
    const int groupPosition = leadingEmpty ? fields - 1 : fields;
    if (groupPosition > kIPv6Groups) {
      return false;
    }
    if (!IsIPv6Group(field, rest.empty())) {
      return false;
    }
  }
  if (field.empty()) {
    return false;
  }
  return fields > 1 || emptyFields > 0;
}

std::string IPv4ToBytes(std::string_view value) {
  std::string rest(value);
  std::string result(4, '\0');
  for (int i = 0; i < 4; ++i) {
    const int64_t n = DecimalField(CutField(rest, "."));
    result[i] = static_cast<char>(n < 0 ? 0 : n & 0xFF);
  }
  return result;
}

std::string ExpandIPv6(std::string_view value) {
  if (value.empty()) {
    return std::string();
  }
  const int colons = CountChar(value, ':');
  // Eight colons are right when a "::" at either end stands for one zero group, as in
  // "::2:3:4:5:6:7:8", which IPv6ToText writes for such an address; more are never valid.
  const bool zeroGroupAtEnd = value.starts_with("::") || value.ends_with("::");
  if (colons > kMaxIPv6Colons + (zeroGroupAtEnd ? 1 : 0)) {
    return std::string();
  }
  std::string text;
  if (value.front() == ':') {
    text = "0";
  }
  text.append(value);
  if (value.back() == ':') {
    text.push_back('0');
  }
  std::string filler;
  for (int i = 0; i < kIPv6Groups - colons; ++i) {
    filler += ":0";
  }
  filler += ":";
  return ReplaceAll(text, "::", filler);
}

std::string IPv6ToBytes(std::string_view value) {
  std::string result(16, '\0');
  std::string rest = ExpandIPv6(value);
  if (rest.empty()) {
    return result;
  }
  std::string groups(16, '\0');
  int count = 0;
  while (!rest.empty()) {
    const std::string field = CutField(rest, ":");
    if (field == "@") {
      break;
    }
    if (count >= kIPv6Groups) {
      return result;
    }
    int n = 0;
    if (!field.empty()) {
      n = HexField(field);
      if (n < 0) {
        return result;
      }
    }
    groups[count * 2] = static_cast<char>(n >> 8);
    groups[count * 2 + 1] = static_cast<char>(n & 0xFF);
    ++count;
  }
  return groups;
}

std::string IPv6ToText(std::string_view bytes) {
  uint16_t groups[kIPv6Groups] = {};
  for (int i = 0; i < kIPv6Groups; ++i) {
    const size_t at = static_cast<size_t>(i) * 2;
    const uint8_t high = at < bytes.size() ? static_cast<uint8_t>(bytes[at]) : 0;
    const uint8_t low = at + 1 < bytes.size() ? static_cast<uint8_t>(bytes[at + 1]) : 0;
    groups[i] = static_cast<uint16_t>(high << 8 | low);
  }
  int bestStart = -1;
  int bestLength = 0;
  for (int i = 0; i < kIPv6Groups;) {
    if (groups[i] != 0) {
      ++i;
      continue;
    }
    int j = i;
    while (j < kIPv6Groups && groups[j] == 0) {
      ++j;
    }
    if (j - i > bestLength) {
      bestStart = i;
      bestLength = j - i;
    }
    i = j;
  }
  if (bestLength == kIPv6Groups) {
    return "::0";
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string result;
  for (int i = 0; i < kIPv6Groups; ++i) {
    if (i == bestStart) {
      result += "::";
      i += bestLength - 1;
      continue;
    }
    if (!result.empty() && result.back() != ':') {
      result += ':';
    }
    const uint16_t g = groups[i];
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
      const int digit = (g >> shift) & 0xF;
      if (digit != 0 || started || shift == 0) {
        result += kHex[digit];
        started = true;
      }
    }
  }
  return result;
}

}  // namespace net
