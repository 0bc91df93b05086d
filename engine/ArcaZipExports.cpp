// The exports of ArcaZip190.dll. Everything else in the library is hidden.
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "engine/ArcaZipContract.h"
#include "engine/EngineLimits.h"
#include "engine/Extractor.h"
#include "engine/OperationKeys.h"
#include "platform/CodePage.h"
#include "platform/DynamicLibrary.h"

namespace {

constexpr char kBanner[] =
    "ArcaZip 1.9.0 extraction engine (stored, deflated, Zip64, PKWARE encryption)";

std::string OwnPath() {
  static const std::string path = platform::ModulePathOf(reinterpret_cast<const void*>(&OwnPath));
  return path;
}

int32_t CopyOut(char16_t* buffer, int32_t size, int32_t wide, const std::string& text) {
  if (buffer == nullptr || size <= 0)
    return 0;
  if (wide != 0) {
    const std::u16string w = platform::Utf8ToUtf16(text);
    const size_t n = std::min<size_t>(w.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, w.data(), n * sizeof(char16_t));
    buffer[n] = 0;
    return static_cast<int32_t>(n);
  }
  char* bytes = reinterpret_cast<char*>(buffer);
  const size_t n = std::min<size_t>(text.size(), static_cast<size_t>(size) - 1);
  std::memcpy(bytes, text.data(), n);
  bytes[n] = 0;
  return static_cast<int32_t>(n);
}

}  // namespace

extern "C" {

AZ_EXPORT int32_t AZ_STDCALL AZ_Exec(const TDLLCommands* commands) {
  if (commands == nullptr || commands->fCheck != kAZCommandCheck ||
      commands->fVersion != kAZVersion)
    return -azeBadOptions;
  try {
    arcazip::TOperationKey key;
    arcazip::TExtractor extractor(*commands, key.Key(), key.AbortAsked());
    return extractor.Run();
  } catch (const std::bad_alloc&) {
    return -azeNoMemory;
  } catch (...) {
    return -azeFatal;
  }
}

AZ_EXPORT int32_t AZ_STDCALL AZ_Version() {
  return kAZVersion;
}

AZ_EXPORT int32_t AZ_STDCALL AZ_PrivVersion() {
  return arcazip::kEngineBuild;
}

AZ_EXPORT int32_t AZ_STDCALL AZ_Abort(int32_t key) {
  return arcazip::AbortOperation(key) ? 1 : 0;
}

AZ_EXPORT int32_t AZ_STDCALL AZ_Name(char16_t* buffer, int32_t size, int32_t wide) {
  return CopyOut(buffer, size, wide, OwnPath());
}

AZ_EXPORT const char* AZ_STDCALL AZ_Banner() {
  return kBanner;
}

// The library's folder, with a trailing separator.
AZ_EXPORT int32_t AZ_STDCALL AZ_Path(char16_t* buffer, int32_t size, int32_t wide) {
  const std::string path = OwnPath();
  return CopyOut(buffer, size, wide, path.substr(0, path.find_last_of("\\/") + 1));
}

}  // extern "C"
