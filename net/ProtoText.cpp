#include "net/ProtoText.h"

namespace net {

namespace {

bool IsControlOrSpace(char ch) {
  return static_cast<unsigned char>(ch) <= ' ';
}

std::string TrimControlAndSpacesRight(std::string_view value) {
  size_t last = value.size();
  while (last > 0 && IsControlOrSpace(value[last - 1])) {
    --last;
  }
  return std::string(value.substr(0, last));
}

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') {
    return ch - '0';
  }
  if (ch >= 'A' && ch <= 'F') {
    return ch - 'A' + 10;
  }
  if (ch >= 'a' && ch <= 'f') {
    return ch - 'a' + 10;
  }
  return -1;
}

int64_t NumberInBase(std::string_view value, int base) {
  if (value.empty()) {
    return -1;
  }
  int64_t result = 0;
  for (char ch : value) {
    const int digit = HexDigit(ch);
    if (digit < 0 || digit >= base || result > (INT64_MAX - digit) / base) {
      return -1;
    }
    result = result * base + digit;
  }
  return result;
}

}  // namespace

std::string TrimControlAndSpaces(std::string_view value) {
  size_t first = 0;
  while (first < value.size() && IsControlOrSpace(value[first])) {
    ++first;
  }
  size_t last = value.size();
  while (last > first && IsControlOrSpace(value[last - 1])) {
    --last;
  }
  return std::string(value.substr(first, last - first));
}

int64_t DecimalNumber(std::string_view value) {
  return NumberInBase(value, 10);
}

int64_t HexNumber(std::string_view value) {
  return NumberInBase(value, 16);
}

std::string TextBefore(std::string_view value, std::string_view delimiter) {
  const size_t pos = value.find(delimiter);
  if (delimiter.empty() || pos == std::string_view::npos) {
    return std::string(value);
  }
  return std::string(value.substr(0, pos));
}

std::string TextAfter(std::string_view value, std::string_view delimiter) {
  const size_t pos = value.find(delimiter);
  if (delimiter.empty() || pos == std::string_view::npos) {
    return std::string(value);
  }
  return std::string(value.substr(pos + delimiter.size()));
}

std::string CutFieldRaw(std::string& value, std::string_view delimiter) {
  std::string field = TextBefore(value, delimiter);
  std::string rest = TextAfter(value, delimiter);
  value = (rest == value) ? std::string() : rest;
  return field;
}

std::string CutField(std::string& value, std::string_view delimiter) {
  std::string field = TrimSpaces(CutFieldRaw(value, delimiter));
  value = TrimSpaces(value);
  return field;
}

std::string TrimSpacesLeft(std::string_view value) {
  const size_t first = value.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string() : std::string(value.substr(first));
}

std::string TrimSpacesRight(std::string_view value) {
  const size_t last = value.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string() : std::string(value.substr(0, last + 1));
}

std::string TrimSpaces(std::string_view value) {
  return TrimSpacesLeft(TrimSpacesRight(value));
}

std::string ReplaceAll(std::string_view value, std::string_view search,
                       std::string_view replacement) {
  if (value.empty() || search.empty()) {
    return std::string(value);
  }
  std::string result;
  size_t from = 0;
  while (true) {
    const size_t pos = value.find(search, from);
    if (pos == std::string_view::npos) {
      break;
    }
    result.append(value.substr(from, pos - from));
    result.append(replacement);
    from = pos + search.size();
  }
  result.append(value.substr(from));
  return result;
}

int LastPosBefore(std::string_view sub, std::string_view value, int from) {
  const int subLength = static_cast<int>(sub.size());
  if (subLength == 0) {
    return 0;
  }
  if (from > static_cast<int>(value.size())) {
    from = static_cast<int>(value.size());
  }
  for (int start = from - subLength + 1; start >= 1; --start) {
    if (value.substr(start - 1, subLength) == sub) {
      return start;
    }
  }
  return 0;
}

int LastPos(std::string_view sub, std::string_view value) {
  return LastPosBefore(sub, value, static_cast<int>(value.size()));
}

int FindLineBreak(std::string_view value, std::string& lineBreak) {
  lineBreak.clear();
  const size_t pos = value.find_first_of("\r\n");
  if (pos == std::string_view::npos) {
    return -1;
  }
  const char first = value[pos];
  const char partner = (first == '\r') ? '\n' : '\r';
  lineBreak.assign(1, first);
  if (pos + 1 < value.size() && value[pos + 1] == partner) {
    lineBreak.push_back(partner);
  }
  return static_cast<int>(pos) + 1;
}

int CountChar(std::string_view value, char ch) {
  int count = 0;
  for (char c : value) {
    if (c == ch) {
      ++count;
    }
  }
  return count;
}

std::string UnfoldHeaderLine(const std::vector<std::string>& lines, int& index) {
  const int count = static_cast<int>(lines.size());
  if (index < 0 || index >= count) {
    ++index;
    return std::string();
  }
  std::string result = lines[index];
  ++index;
  if (result.empty()) {
    return result;
  }
  while (index < count - 1) {
    std::string next = lines[index];
    for (char& ch : next) {
      if (ch == '\t') {
        ch = ' ';
      }
    }
    if (next.empty()) {
      break;
    }
    const char first = next[0];
    if (first != ' ' && first != '"' && first != ':' && first != '=') {
      break;
    }
    result += ' ';
    result += TrimControlAndSpaces(next);
    ++index;
  }
  return TrimControlAndSpacesRight(result);
}

std::string PercentDecode(std::string_view value) {
  std::string result;
  result.reserve(value.size());
  const size_t length = value.size();
  size_t i = 0;
  while (i < length) {
    const char ch = value[i];
    if (ch != '%') {
      result.push_back(ch);
      ++i;
      continue;
    }
    // An escape needs two bytes after it; one cut short by the end of the input is dropped.
    if (i + 2 >= length) {
      break;
    }
    const char next = value[i + 1];
    if (next == '\r' || next == '\n') {
      const char partner = (next == '\r') ? '\n' : '\r';
      i += 2;
      if (i < length && value[i] == partner) {
        ++i;
      }
      continue;
    }
    const int high = HexDigit(next);
    const int low = HexDigit(value[i + 2]);
    if (high < 0 || low < 0) {
      result.push_back('%');
      ++i;
      continue;
    }
    result.push_back(static_cast<char>(high * 16 + low));
    i += 3;
  }
  return result;
}

std::string Base64Encode(std::string_view value) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string result;
  result.reserve((value.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= value.size(); i += 3) {
    const uint32_t n = (static_cast<uint8_t>(value[i]) << 16) |
                       (static_cast<uint8_t>(value[i + 1]) << 8) |
                       static_cast<uint8_t>(value[i + 2]);
    result.push_back(kAlphabet[(n >> 18) & 63]);
    result.push_back(kAlphabet[(n >> 12) & 63]);
    result.push_back(kAlphabet[(n >> 6) & 63]);
    result.push_back(kAlphabet[n & 63]);
  }
  const size_t rest = value.size() - i;
  if (rest == 0) {
    return result;
  }
  uint32_t n = static_cast<uint8_t>(value[i]) << 16;
  if (rest == 2) {
    n |= static_cast<uint8_t>(value[i + 1]) << 8;
  }
  result.push_back(kAlphabet[(n >> 18) & 63]);
  result.push_back(kAlphabet[(n >> 12) & 63]);
  result.push_back(rest == 2 ? kAlphabet[(n >> 6) & 63] : '=');
  result.push_back('=');
  return result;
}

}  // namespace net
