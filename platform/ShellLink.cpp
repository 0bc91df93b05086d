// What the shortcut code says the same in every build; the shortcut object itself is the
// backend's (ShellLinkPosix.cpp, win32/ShellLinkWin32.cpp).
#include "platform/ShellLink.h"

#include <cstdio>

namespace platform::detail {

std::string KnownResultText(THResult code) {
  switch (static_cast<uint32_t>(code)) {
    case 0:
      return "The operation completed successfully";
    case 0x80040154:
      return "Class not registered";
    case 0x80004002:
      return "No such interface supported";
    case 0x80004005:
      return "Unspecified error";
    case 0x80070057:
      return "The parameter is incorrect";
    case 0x800401F0:
      return "CoInitialize has not been called";
    case 0x800401F3:
      return "Invalid class string";
    default: {
      char text[48];
      std::snprintf(text, sizeof text, "System error 0x%08X", static_cast<uint32_t>(code));
      return text;
    }
  }
}

}  // namespace platform::detail
