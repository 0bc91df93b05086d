#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "platform/File.h"
#include "platform/LibraryHeaders.h"
#include "platform/Paths.h"

namespace platform {
namespace {

std::string LastDlError() {
  const char* text = dlerror();
  return text != nullptr ? text : "unknown error";
}

bool HasSeparator(std::string_view path) {
  return path.find('/') != std::string_view::npos || path.find('\\') != std::string_view::npos;
}

}  // namespace

bool TDynamicLibrary::Load(std::string_view path) {
  Unload();
  error_.clear();
  // A bare name is handed over as it is so the system's search applies; anything with a
  // folder in it is a Windows path to resolve first.
  const std::string host = HasSeparator(path) ? HostPath(path) : std::string(path);
  // A named file is checked before the system maps it: a library cut short would load and
  // then kill the program at its first touch of a missing page. The system's search for a
  // bare name is the system's own.
  if (HasSeparator(path)) {
    const std::string problem = CheckLibraryFile(path, TLibraryHeaders::TFormat::Elf);
    if (!problem.empty()) {
      error_ = host + ": " + problem;
      detail::SetLastOsError(kErrorBadExeFormat);
      return false;
    }
  }
  handle_ = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    error_ = LastDlError();
    return false;
  }
  return true;
}

void TDynamicLibrary::Unload() {
  if (handle_ == nullptr)
    return;
  dlclose(handle_);
  handle_ = nullptr;
}

void* TDynamicLibrary::Symbol(const char* name) {
  if (handle_ == nullptr) {
    error_ = "library not loaded";
    return nullptr;
  }
  dlerror();
  void* address = dlsym(handle_, name);
  if (address == nullptr)
    error_ = LastDlError();
  return address;
}

std::string ModulePathOf(const void* address) {
  Dl_info info;
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr)
    return {};
  char resolved[PATH_MAX];
  if (realpath(info.dli_fname, resolved) == nullptr)
    return info.dli_fname;
  return resolved;
}

}  // namespace platform
