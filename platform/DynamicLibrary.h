#pragma once
#include <string>
#include <string_view>

// A shared library loaded at run time: load by path, look up symbols, unload. The library is
// unloaded when the object goes away.
namespace platform {

class TDynamicLibrary {
 public:
  TDynamicLibrary() = default;
  ~TDynamicLibrary();
  TDynamicLibrary(TDynamicLibrary&& other) noexcept;
  TDynamicLibrary& operator=(TDynamicLibrary&& other) noexcept;
  TDynamicLibrary(const TDynamicLibrary&) = delete;
  TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

  // Loads by Windows or host path. A bare name (no separator) lets the system search for it.
  // On failure ErrorText() says why.
  bool Load(std::string_view path);
  void Unload();
  bool IsLoaded() const { return handle_ != nullptr; }

  // The address of an exported symbol, or nullptr (ErrorText() then says why).
  void* Symbol(const char* name);
  template <typename F>
  F Function(const char* name) {
    return reinterpret_cast<F>(Symbol(name));
  }

  const std::string& ErrorText() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

// Full host path of the loaded module (program or library) that holds the given address, or
// an empty text when none does. A library uses it to report where it was loaded from.
std::string ModulePathOf(const void* address);

}  // namespace platform
