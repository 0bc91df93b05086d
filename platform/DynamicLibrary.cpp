// The library object's ownership, the same in every build; loading and lookup are the
// backend's (DynamicLibraryPosix.cpp, win32/DynamicLibraryWin32.cpp).
#include "platform/DynamicLibrary.h"

#include <utility>

namespace platform {

TDynamicLibrary::~TDynamicLibrary() {
  Unload();
}

TDynamicLibrary::TDynamicLibrary(TDynamicLibrary&& other) noexcept
    : handle_(other.handle_), error_(std::move(other.error_)) {
  other.handle_ = nullptr;
}

TDynamicLibrary& TDynamicLibrary::operator=(TDynamicLibrary&& other) noexcept {
  if (this != &other) {
    Unload();
    handle_ = other.handle_;
    error_ = std::move(other.error_);
    other.handle_ = nullptr;
  }
  return *this;
}

}  // namespace platform
