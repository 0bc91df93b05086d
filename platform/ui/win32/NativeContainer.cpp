#include "platform/ui/win32/NativeContainer.h"

#include <algorithm>

#include "platform/ui/EventDispatch.h"
#include "platform/ui/win32/NativeImage.h"

namespace platform::ui::native {

const wchar_t* TNativeContainer::WindowClass() {
  static const wchar_t* const name = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &ContainerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // The program's icon from its resources (none in test programs).
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = L"VareloSoftContainer";
    RegisterClassExW(&wc);
    return wc.lpszClassName;
  }();
  return name;
}

void TNativeContainer::RemoveImage(TNativeImage* image) {
  images_.erase(std::remove(images_.begin(), images_.end(), image), images_.end());
}

LRESULT CALLBACK TNativeContainer::ContainerProc(HWND hwnd, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
  auto* self = dynamic_cast<TNativeContainer*>(TNativePeer::FromHandle(hwnd));
  LRESULT result = 0;
  if (self && self->Handle() == hwnd && self->HandleMessage(message, wParam, lParam, result))
    return result;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool TNativeContainer::ChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND: {
      TNativePeer* child = FromHandle(reinterpret_cast<HWND>(lParam));
      if (!lParam || !child)
        return true;  // Enter and Escape from the dialog keys: the window has no default button
      Dispatch([&] { child->Command(HIWORD(wParam)); });
      return true;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      TNativePeer* child = header ? FromHandle(header->hwndFrom) : nullptr;
      bool handled = false;
      if (child)
        Dispatch([&] { handled = child->Notify(*header, result); });
      return handled;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
      TNativePeer* child = FromHandle(reinterpret_cast<HWND>(lParam));
      HBRUSH brush = child ? child->ControlColor(reinterpret_cast<HDC>(wParam)) : nullptr;
      result = reinterpret_cast<LRESULT>(brush);
      return brush != nullptr;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      TNativePeer* child = item ? FromHandle(item->hwndItem) : nullptr;
      bool drawn = false;
      if (child)
        Dispatch([&] { drawn = child->DrawItem(*item); });
      result = drawn ? TRUE : FALSE;
      return drawn;
    }
    default:
      return false;
  }
}

bool TNativeContainer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (ChildMessage(message, wParam, lParam, result))
    return true;
  switch (message) {
    case WM_ERASEBKGND: {
      RECT r{};
      GetClientRect(Handle(), &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, Gdi().Brush(Control().Color()));
      result = 1;
      return true;
    }
    case WM_PAINT:
      Paint();
      return true;
    default:
      return false;
  }
}

void TNativeContainer::Paint() {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(Handle(), &ps);
  for (TNativeImage* image : images_)
    Dispatch([&] { image->Paint(dc); });
  EndPaint(Handle(), &ps);
}

}  // namespace platform::ui::native
