#include "platform/ui/win32/NativeBuilder.h"

#include <memory>
#include <vector>

#include "platform/ui/ComCtrls.h"
#include "platform/ui/GlowButton.h"
#include "platform/ui/PeerBuilder.h"
#include "platform/ui/Picture.h"
#include "platform/ui/StdControls.h"
#include "platform/ui/win32/NativeContainer.h"
#include "platform/ui/win32/NativeEdit.h"
#include "platform/ui/win32/NativeGlowButton.h"
#include "platform/ui/win32/NativeImage.h"
#include "platform/ui/win32/NativeLabel.h"
#include "platform/ui/win32/NativeOption.h"
#include "platform/ui/win32/NativePage.h"
#include "platform/ui/win32/NativeProgress.h"
#include "platform/ui/win32/NativeTabs.h"

namespace platform::ui::native {
namespace {

template <typename Peer, typename Control, typename... Args>
Peer& Attach(Control& control, Args&&... args) {
  auto peer = std::make_unique<Peer>(control, std::forward<Args>(args)...);
  Peer& ref = *peer;
  control.SetPeer(std::move(peer));
  return ref;
}

// A control without children shows its properties at once.
template <typename Peer, typename Control, typename... Args>
void AttachShown(Control& control, Args&&... args) {
  Attach<Peer>(control, std::forward<Args>(args)...).Update();
}

class TNativeBuilder final : public TPeerBuilder {
 public:
  TNativeBuilder(TNativeContainer& window, TGdiCache& gdi) : windows_{&window}, gdi_(gdi) {}

 protected:
  void MakeLabel(TLabel& label) override { AttachShown<TNativeLabel>(label, gdi_, Parent()); }

  void MakeEdit(TEdit& edit, bool group) override {
    AttachShown<TNativeEdit>(edit, gdi_, Parent(), group);
  }

  void MakeRadioButton(TRadioButton& radio, bool group) override {
    AttachShown<TNativeRadioButton>(radio, gdi_, Parent(), group);
  }

  void MakeCheckBox(TCheckBox& check, bool group) override {
    AttachShown<TNativeCheckBox>(check, gdi_, Parent(), group);
  }

  void MakeProgressBar(TProgressBar& bar) override {
    AttachShown<TNativeProgress>(bar, gdi_, Parent());
  }

  // A picture has no window of its own: the container draws it.
  void MakeImage(TImage& image) override { AttachShown<TNativeImage>(image, Window()); }

  void MakeGlowButton(TGlowButton& button, bool group) override {
    AttachShown<TNativeGlowButton>(button, gdi_, Parent(), group);
  }

  // The tab control's window comes first: the pages are its children. It shows its pages once
  // it knows them all.
  void OpenPageControl(TPageControl& pc, bool group) override {
    tabs_.push_back(&Attach<TNativeTabs>(pc, gdi_, Parent(), group));
  }

  void OpenPage(TPageControl&, TTabSheet& page) override {
    TNativeTabs& tabs = *tabs_.back();
    auto& pageWindow = Attach<TNativePage>(page, gdi_, tabs.Handle());
    tabs.AddPage(&page, &pageWindow);
    windows_.push_back(&pageWindow);
  }

  void ClosePage(TTabSheet&) override {
    TNativeContainer* pageWindow = windows_.back();
    windows_.pop_back();
    pageWindow->Update();
  }

  void ClosePageControl(TPageControl&) override {
    TNativeTabs* tabs = tabs_.back();
    tabs_.pop_back();
    tabs->Update();
  }

 private:
  // The window the children being built go in.
  TNativeContainer& Window() const { return *windows_.back(); }
  HWND Parent() const { return Window().Handle(); }

  // The containers being built into and the page controls being built, the innermost last.
  std::vector<TNativeContainer*> windows_;
  std::vector<TNativeTabs*> tabs_;
  TGdiCache& gdi_;
};

}  // namespace

void BuildNativeWindows(TWinControl& container, TNativeContainer& window, TGdiCache& gdi) {
  TNativeBuilder(window, gdi).BuildChildren(container);
}

}  // namespace platform::ui::native
