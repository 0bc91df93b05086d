#include "platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

#include "platform/Utf8Decode.h"

namespace platform {
namespace {

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Converts character by character so that one unmappable character becomes "?" without
// losing the rest of the text.
std::string Convert(std::string_view text, const char* to, const char* from, bool fromUtf8) {
  std::unique_ptr<void, IconvCloser> cd(iconv_open(to, from));
  if (cd.get() == reinterpret_cast<void*>(-1)) {
    cd.release();
    return std::string(text);
  }
  std::string out;
  out.reserve(text.size() * 2);
  size_t i = 0;
  while (i < text.size()) {
    const size_t start = i;
    if (fromUtf8)
      NextUtf8CodePoint(text, i);
    else
      ++i;
    char in[8];
    size_t inLeft = i - start;
    text.copy(in, inLeft, start);
    char buf[16];
    char* inPtr = in;
    char* outPtr = buf;
    size_t outLeft = sizeof buf;
    if (iconv(static_cast<iconv_t>(cd.get()), &inPtr, &inLeft, &outPtr, &outLeft) ==
        static_cast<size_t>(-1)) {
      iconv(static_cast<iconv_t>(cd.get()), nullptr, nullptr, nullptr, nullptr);
      out += '?';
      continue;
    }
    out.append(buf, sizeof buf - outLeft);
  }
  return out;
}

}  // namespace

std::string Utf8ToAnsi(std::string_view utf8) {
  return Convert(utf8, "CP1252", "UTF-8", true);
}
std::string AnsiToUtf8(std::string_view ansi) {
  return Convert(ansi, "UTF-8", "CP1252", false);
}
std::string Utf8ToOem(std::string_view utf8) {
  return Convert(utf8, "CP850", "UTF-8", true);
}
std::string OemToUtf8(std::string_view oem) {
  return Convert(oem, "UTF-8", "CP850", false);
}

}  // namespace platform
