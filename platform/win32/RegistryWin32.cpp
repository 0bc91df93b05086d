#include "platform/Registry.h"

#include <vector>

#include "platform/win32/Win32Util.h"

// Text values under HKEY_CURRENT_USER in the system's registry. The object keeps the path of
// its open key; each call opens the key for what it does and closes it before returning, so
// no key handle outlives a call, also when it fails.
namespace platform {
namespace {

// A value of the product's is a folder path; anything far beyond that is not one of ours.
constexpr DWORD kMaxValueBytes = 1024 * 1024;

// An open registry key, closed when the object goes away.
class TRegKey {
 public:
  TRegKey() = default;
  ~TRegKey() {
    if (key_ != nullptr)
      RegCloseKey(key_);
  }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;

  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// Names with a NUL would reach the system cut short, naming another key or value.
bool HasNul(std::string_view text) {
  return text.find('\0') != std::string_view::npos;
}

bool Open(const std::string& path, REGSAM access, TRegKey& key) {
  if (HasNul(path))
    return false;
  return RegOpenKeyExW(HKEY_CURRENT_USER, Widen(path).c_str(), 0, access, key.Out()) ==
         ERROR_SUCCESS;
}

// The data of a text value as UTF-16 without its terminating NULs; nothing for other types.
bool QueryText(HKEY key, const std::wstring& name, std::wstring& text) {
  // The value may change between the size query and the read: a few rounds, then give up.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
      return false;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || bytes > kMaxValueBytes)
      return false;
    std::vector<BYTE> data(bytes + sizeof(wchar_t));
    DWORD got = bytes;
    const LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &got);
    if (rc == ERROR_MORE_DATA)
      continue;
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
      return false;
    text.assign(reinterpret_cast<const wchar_t*>(data.data()), got / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
      text.pop_back();
    return true;
  }
  return false;
}

}  // namespace

// The key is opened with full access, as the product asks for it, and created when missing
// and allowed.
bool TRegistry::OpenKey(std::string_view key, bool canCreate) {
  CloseKey();
  const std::string path(key);
  TRegKey handle;
  if (HasNul(path))
    return false;
  LONG rc;
  if (canCreate) {
    rc = RegCreateKeyExW(HKEY_CURRENT_USER, Widen(path).c_str(), 0, nullptr,
                         REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, handle.Out(), nullptr);
  } else {
    rc = RegOpenKeyExW(HKEY_CURRENT_USER, Widen(path).c_str(), 0, KEY_ALL_ACCESS, handle.Out());
  }
  if (rc != ERROR_SUCCESS)
    return false;
  key_ = path;
  open_ = true;
  return true;
}

bool TRegistry::OpenSubKey(std::string_view subKey) {
  if (!open_)
    return false;
  const std::string path = key_ + "\\" + std::string(subKey);
  TRegKey handle;
  if (!Open(path, KEY_READ, handle))
    return false;
  key_ = path;
  return true;
}

std::string TRegistry::ReadString(std::string_view name) const {
  TRegKey handle;
  if (!open_ || HasNul(name) || !Open(key_, KEY_QUERY_VALUE, handle))
    return {};
  std::wstring text;
  if (!QueryText(handle.Get(), Widen(name), text))
    return {};
  return Narrow(text);
}

// A value holding a NUL would be read back cut short, so it is refused.
bool TRegistry::WriteString(std::string_view name, std::string_view value) {
  TRegKey handle;
  if (!open_ || HasNul(name) || HasNul(value) || !Open(key_, KEY_SET_VALUE, handle))
    return false;
  const std::wstring data = Widen(value);
  const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(handle.Get(), Widen(name).c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(data.c_str()), bytes) == ERROR_SUCCESS;
}

}  // namespace platform
