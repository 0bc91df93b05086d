#include "platform/ShellLink.h"

#include "platform/win32/Win32Util.h"
// After windows.h (Win32Util.h): the object model and the shell's link interfaces.
#include <objbase.h>
#include <shlobj.h>

// The system's shell link object behind the product's interfaces. Creating it needs the
// component object model on the calling thread (TComApartment); the object and each interface
// it handed out are released when their wrappers go away.
namespace platform {
namespace {

// Releases a COM interface pointer when the holder goes away.
template <typename T>
class TComPtr {
 public:
  TComPtr() = default;
  explicit TComPtr(T* p) : p_(p) {}
  ~TComPtr() {
    if (p_ != nullptr)
      p_->Release();
  }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;

  T* Get() const { return p_; }
  T** Out() { return &p_; }
  // Hands the pointer over to a new owner.
  T* Detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

class TShellLinkWrapper final : public IShellLinkW {
 public:
  explicit TShellLinkWrapper(::IShellLinkW* link) : link_(link) {}
  // Empty arguments clear them, so the shortcut is saved without an arguments string rather
  // than with an empty one; an object that refuses the null text gets the empty one.
  THResult SetArguments(std::string_view arguments) override {
    if (arguments.empty()) {
      const HRESULT hr = link_.Get()->SetArguments(nullptr);
      if (SUCCEEDED(hr))
        return hr;
    }
    return link_.Get()->SetArguments(Widen(arguments).c_str());
  }
  THResult SetPath(std::string_view target) override {
    return link_.Get()->SetPath(Widen(target).c_str());
  }
  THResult SetWorkingDirectory(std::string_view folder) override {
    return link_.Get()->SetWorkingDirectory(Widen(folder).c_str());
  }

 private:
  TComPtr<::IShellLinkW> link_;
};

class TPersistFileWrapper final : public IPersistFile {
 public:
  explicit TPersistFileWrapper(::IPersistFile* file) : file_(file) {}
  THResult Save(std::string_view fileName, bool remember) override {
    // A NUL would hand the object a shorter name than the one asked for.
    if (fileName.find('\0') != std::string_view::npos)
      return E_INVALIDARG;
    return file_.Get()->Save(Widen(fileName).c_str(), remember ? TRUE : FALSE);
  }

 private:
  TComPtr<::IPersistFile> file_;
};

class TSystemComObject final : public TComObject {
 public:
  explicit TSystemComObject(IUnknown* object) : object_(object) {}

  IShellLinkW* QueryShellLink() override {
    if (!link_) {
      ::IShellLinkW* p = nullptr;
      if (FAILED(object_.Get()->QueryInterface(::IID_IShellLinkW, reinterpret_cast<void**>(&p))))
        return nullptr;
      link_ = std::make_unique<TShellLinkWrapper>(p);
    }
    return link_.get();
  }

  IPersistFile* QueryPersistFile() override {
    if (!file_) {
      ::IPersistFile* p = nullptr;
      if (FAILED(object_.Get()->QueryInterface(::IID_IPersistFile, reinterpret_cast<void**>(&p))))
        return nullptr;
      file_ = std::make_unique<TPersistFileWrapper>(p);
    }
    return file_.get();
  }

 private:
  // The interfaces are released before the object that handed them out.
  TComPtr<IUnknown> object_;
  std::unique_ptr<TShellLinkWrapper> link_;
  std::unique_ptr<TPersistFileWrapper> file_;
};

}  // namespace

std::unique_ptr<TComObject> CreateComObject(std::string_view classId, THResult* result) {
  THResult ignored = 0;
  THResult& hr = result != nullptr ? *result : ignored;
  CLSID clsid{};
  if (classId.find('\0') != std::string_view::npos) {
    hr = CO_E_CLASSSTRING;
    return nullptr;
  }
  hr = CLSIDFromString(Widen(classId).c_str(), &clsid);
  if (FAILED(hr))
    return nullptr;
  TComPtr<IUnknown> object;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                        reinterpret_cast<void**>(object.Out()));
  if (FAILED(hr))
    return nullptr;
  return std::make_unique<TSystemComObject>(object.Detach());
}

// The system's text for the code, without the line break and full stop that end it, as the
// product shows it inside longer messages.
std::string SysErrorMessage(THResult code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  // A system whose message table lacks the code (Wine's lacks the object model's ones) gets
  // the product's own text.
  if (n == 0 || buffer == nullptr)
    return detail::KnownResultText(code);
  std::wstring text(buffer, n);
  LocalFree(buffer);
  while (!text.empty() && (text.back() <= L' ' || text.back() == L'.'))
    text.pop_back();
  return Narrow(text);
}

}  // namespace platform
