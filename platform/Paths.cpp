#include <string>
#include <vector>

#include "platform/Paths.h"

// The parts of path handling that are text only, the same on every platform.
namespace platform {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

}  // namespace

std::string FoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 'A' && c <= 'Z') {
      out += static_cast<char>(c + 32);
    } else if (c == 0xC3 && i + 1 < text.size()) {
      // U+00C0..U+00DE (except U+00D7) fold to U+00E0..U+00FE: second byte 0x80..0x9E -> +0x20.
      auto c2 = static_cast<unsigned char>(text[i + 1]);
      if (c2 >= 0x80 && c2 <= 0x9E && c2 != 0x97)
        c2 = static_cast<unsigned char>(c2 + 0x20);
      out += static_cast<char>(c);
      out += static_cast<char>(c2);
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::vector<std::string> SplitPath(std::string_view path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (IsSeparator(c)) {
      if (!cur.empty())
        parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty())
    parts.push_back(cur);
  return parts;
}

std::string FileNameOf(std::string_view path) {
  const size_t pos = path.find_last_of("\\/");
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

}  // namespace platform
