// Picture decoding with the system's imaging codecs (Windows Imaging Component).
#include "platform/ui/PictureDecoder.h"

#include <windows.h>
// After windows.h, which it needs.
#include <wincodec.h>

#include <limits>

namespace platform::ui {
namespace {

// An interface pointer released when it goes.
template <typename T>
class TComPtr {
 public:
  TComPtr() = default;
  ~TComPtr() {
    if (p_)
      p_->Release();
  }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  T** Out() { return &p_; }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// The object model for this thread while decoding, when nobody started it yet; a thread
// already started in another mode keeps it, which the codecs accept.
class TComScope {
 public:
  TComScope() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~TComScope() {
    if (started_)
      CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

 private:
  bool started_;
};

// Whether the frame's own pixel format has an alpha channel (or transparency through its
// palette); JPEG never has one.
bool HasAlpha(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame) {
  WICPixelFormatGUID format{};
  if (FAILED(frame->GetPixelFormat(&format)))
    return false;
  TComPtr<IWICComponentInfo> info;
  if (FAILED(factory->CreateComponentInfo(format, info.Out())))
    return false;
  TComPtr<IWICPixelFormatInfo2> pixelInfo;
  if (FAILED(info->QueryInterface(IID_IWICPixelFormatInfo2,
                                  reinterpret_cast<void**>(pixelInfo.Out()))))
    return false;
  BOOL transparency = FALSE;
  return SUCCEEDED(pixelInfo->SupportsTransparency(&transparency)) && transparency;
}

bool Decode(std::string_view bytes, TPictureFormat format, TDecodedPicture& out) {
  if (bytes.size() > std::numeric_limits<DWORD>::max())
    return false;
  TComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out()))))
    return false;
  TComPtr<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.Out())))
    return false;
  auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
  if (FAILED(stream->InitializeFromMemory(data, static_cast<DWORD>(bytes.size()))))
    return false;
  const GUID container =
      format == TPictureFormat::Jpeg ? GUID_ContainerFormatJpeg : GUID_ContainerFormatPng;
  TComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoder(container, nullptr, decoder.Out())) ||
      FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)))
    return false;
  TComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.Out())))
    return false;
  UINT width = 0;
  UINT height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 ||
      width > static_cast<UINT>(kMaxPictureSide) || height > static_cast<UINT>(kMaxPictureSide))
    return false;
  const bool alpha = format == TPictureFormat::Png && HasAlpha(factory.Get(), frame.Get());
  TComPtr<IWICBitmapSource> converted;
  if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.Get(), converted.Out())))
    return false;
  const UINT stride = width * 4;
  std::vector<uint8_t> bgra(static_cast<size_t>(stride) * height);
  if (FAILED(converted->CopyPixels(nullptr, stride, static_cast<UINT>(bgra.size()), bgra.data())))
    return false;
  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  out.depth = alpha ? 4 : 3;
  // The codecs give blue, green, red, alpha; pictures hold red, green, blue (and alpha).
  out.pixels.resize(static_cast<size_t>(width) * height * out.depth);
  uint8_t* dst = out.pixels.data();
  for (size_t i = 0; i < bgra.size(); i += 4) {
    *dst++ = bgra[i + 2];
    *dst++ = bgra[i + 1];
    *dst++ = bgra[i];
    if (alpha)
      *dst++ = bgra[i + 3];
  }
  return true;
}

}  // namespace

bool DecodePicture(std::string_view bytes, TPictureFormat format, TDecodedPicture& out) {
  out = TDecodedPicture();
  TComScope com;
  if (Decode(bytes, format, out))
    return true;
  out = TDecodedPicture();
  return false;
}

}  // namespace platform::ui
