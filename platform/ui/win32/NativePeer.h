#pragma once
// The peer that keeps a native child window in step with its control, and receives what the
// parent window hears about that child (commands, notifications, colours, owner drawing).
// For the Windows backend's own sources only.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <string>

#include "platform/ui/Control.h"
#include "platform/ui/win32/GdiCache.h"

namespace platform::ui::native {

class TNativePeer : public TControlPeer {
 public:
  TNativePeer(TControl& control, TGdiCache& gdi) : control_(control), gdi_(gdi) {}
  ~TNativePeer() override;
  TNativePeer(const TNativePeer&) = delete;
  TNativePeer& operator=(const TNativePeer&) = delete;

  // Geometry, visibility, enabled state and font, then what the control itself shows.
  void Update() override;
  void TakeFocus() override;

  // The window while it exists; null once it was destroyed.
  HWND Handle() const;
  TControl& Control() const { return control_; }
  // The peer of a window made by this backend, or null.
  static TNativePeer* FromHandle(HWND hwnd);

  // What the parent window passes on about this child.
  virtual void Command(WORD /*code*/) {}
  virtual bool Notify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
  // The brush for the child's background, with the colours set in the device context; null
  // leaves the system's colours.
  virtual HBRUSH ControlColor(HDC /*dc*/) { return nullptr; }
  virtual bool DrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }

 protected:
  // Makes the child window of the class inside the parent's window, placed by the control.
  void Create(const wchar_t* windowClass, DWORD style, DWORD exStyle, HWND parent);
  // Adopts a window made elsewhere (the top-level form) as this peer's.
  void Adopt(HWND hwnd);
  // What the control shows beyond the common properties.
  virtual void Sync() = 0;
  // Pages leave their visibility to the page control, which shows the active one only.
  virtual bool OwnsVisibility() const { return true; }
  virtual void ApplyGeometry();
  // Sets the window's text when it differs, as UTF-16.
  void SetText(const std::string& text);
  // The label and option colours: the font's colour on the control's background.
  HBRUSH PlainColors(HDC dc);
  TGdiCache& Gdi() const { return gdi_; }

 private:
  TControl& control_;
  TGdiCache& gdi_;
  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
};

}  // namespace platform::ui::native
