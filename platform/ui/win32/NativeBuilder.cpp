#include "platform/ui/win32/NativeBuilder.h"

#include <memory>

#include "platform/ui/ComCtrls.h"
#include "platform/ui/GlowButton.h"
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

}  // namespace

HWND TNativeBuilder::Parent() const {
  return Window().Handle();
}

void TNativeBuilder::MakeLabel(TLabel& label) {
  AttachShown<TNativeLabel>(label, gdi_, Parent());
}

void TNativeBuilder::MakeEdit(TEdit& edit, bool group) {
  AttachShown<TNativeEdit>(edit, gdi_, Parent(), group);
}

void TNativeBuilder::MakeRadioButton(TRadioButton& radio, bool group) {
  AttachShown<TNativeRadioButton>(radio, gdi_, Parent(), group);
}

void TNativeBuilder::MakeCheckBox(TCheckBox& check, bool group) {
  AttachShown<TNativeCheckBox>(check, gdi_, Parent(), group);
}

void TNativeBuilder::MakeProgressBar(TProgressBar& bar) {
  AttachShown<TNativeProgress>(bar, gdi_, Parent());
}

// A picture has no window of its own: the container draws it.
void TNativeBuilder::MakeImage(TImage& image) {
  AttachShown<TNativeImage>(image, Window());
}

void TNativeBuilder::MakeGlowButton(TGlowButton& button, bool group) {
  AttachShown<TNativeGlowButton>(button, gdi_, Parent(), group);
}

// The tab control's window comes first: the pages are its children. It shows its pages once
// it knows them all.
void TNativeBuilder::OpenPageControl(TPageControl& pc, bool group) {
  tabs_.push_back(&Attach<TNativeTabs>(pc, gdi_, Parent(), group));
}

void TNativeBuilder::OpenPage(TPageControl&, TTabSheet& page) {
  TNativeTabs& tabs = *tabs_.back();
  auto& pageWindow = Attach<TNativePage>(page, gdi_, tabs.Handle());
  tabs.AddPage(&page, &pageWindow);
  windows_.push_back(&pageWindow);
}

void TNativeBuilder::ClosePage(TTabSheet&) {
  TNativeContainer* pageWindow = windows_.back();
  windows_.pop_back();
  pageWindow->Update();
}

void TNativeBuilder::ClosePageControl(TPageControl&) {
  TNativeTabs* tabs = tabs_.back();
  tabs_.pop_back();
  tabs->Update();
}

}  // namespace platform::ui::native
