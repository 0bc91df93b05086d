#pragma once
#include <string>
#include <string_view>

// Text conversions between the program's UTF-8 and the platform's code pages: the ANSI code
// page is Windows-1252 and the OEM code page 850, as on a Brazilian Windows. Characters a code
// page lacks become "?", as the platform's own conversion does.
namespace platform {

std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToOem(std::string_view utf8);
std::string OemToUtf8(std::string_view oem);

// UTF-16 for the places that count its code units. Malformed UTF-8 bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

}  // namespace platform
