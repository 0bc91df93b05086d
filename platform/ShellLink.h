#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The shell link object. On Windows it is the system's own, created through the component
// object model (which TComApartment starts for the thread). The Linux build's object writes
// shortcut (".lnk") files itself in the documented binary shell link format (header, link
// target ID list, link info with the local base path, working folder and arguments as Unicode
// strings), readable by Windows and by other readers.
// It follows the shape of the platform's object model: the object is created by class id,
// then asked for its two interfaces; each call returns a result code (0 = success).
namespace platform {

using THResult = int32_t;
constexpr THResult S_OK_ = 0;
constexpr THResult E_NOINTERFACE_ = static_cast<THResult>(0x80004002);

constexpr const char* CLSID_ShellLink = "{00021401-0000-0000-C000-000000000046}";
constexpr const char* IID_IShellLinkW = "{000214F9-0000-0000-C000-000000000046}";
constexpr const char* IID_IPersistFile = "{0000010B-0000-0000-C000-000000000046}";

class IShellLinkW {
 public:
  virtual ~IShellLinkW() = default;
  virtual THResult SetArguments(std::string_view arguments) = 0;
  virtual THResult SetPath(std::string_view target) = 0;
  virtual THResult SetWorkingDirectory(std::string_view folder) = 0;
};

class IPersistFile {
 public:
  virtual ~IPersistFile() = default;
  // Saves the shortcut to a Windows path, replacing an existing file of that name.
  // `remember` false: the object does not adopt the file as its current file.
  virtual THResult Save(std::string_view fileName, bool remember) = 0;
};

// A created object; the interfaces it hands out live as long as it does.
class TComObject {
 public:
  virtual ~TComObject() = default;
  // The interface of that id, or nullptr (E_NOINTERFACE) when the object lacks it.
  virtual IShellLinkW* QueryShellLink() = 0;
  virtual IPersistFile* QueryPersistFile() = 0;
};

// Creates the object of a class id. On failure returns nullptr and sets *result to the
// failure code, whose text SysErrorMessage() gives.
std::unique_ptr<TComObject> CreateComObject(std::string_view classId, THResult* result);

// The platform's message text for a result code.
std::string SysErrorMessage(THResult code);

namespace detail {
// The product's own text for the codes the shortcut can meet, "System error 0x..." for others.
std::string KnownResultText(THResult code);
}  // namespace detail

}  // namespace platform
