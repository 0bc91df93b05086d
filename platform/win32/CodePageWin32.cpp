#include "platform/CodePage.h"

#include "platform/win32/Win32Util.h"

// The ANSI and OEM code pages are the system's own (on a Brazilian Windows 1252 and 850).
// Characters a code page lacks become "?", the system's default character.
namespace platform {
namespace {

std::string FromWide(UINT codePage, const std::wstring& wide) {
  if (wide.empty())
    return {};
  const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring ToWide(UINT codePage, std::string_view bytes) {
  if (bytes.empty())
    return {};
  const int n =
      MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::wstring FromUtf16(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

}  // namespace

std::string Utf8ToAnsi(std::string_view utf8) {
  return FromWide(CP_ACP, FromUtf16(Utf8ToUtf16(utf8)));
}
std::string AnsiToUtf8(std::string_view ansi) {
  const std::wstring wide = ToWide(CP_ACP, ansi);
  return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}
std::string Utf8ToOem(std::string_view utf8) {
  return FromWide(CP_OEMCP, FromUtf16(Utf8ToUtf16(utf8)));
}
std::string OemToUtf8(std::string_view oem) {
  const std::wstring wide = ToWide(CP_OEMCP, oem);
  return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

}  // namespace platform
