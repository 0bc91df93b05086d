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

std::vector<TControl*> CreationOrder(const TWinControl& container) {
  std::vector<TControl*> order;
  for (const auto& child : container.Children()) {
    if (!child->TabStop())
      order.push_back(child.get());
  }
  for (TControl* child : container.TabList())
    order.push_back(child);
  return order;
}

template <typename Peer, typename Control, typename... Args>
Peer& Attach(Control& control, Args&&... args) {
  auto peer = std::make_unique<Peer>(control, std::forward<Args>(args)...);
  Peer& ref = *peer;
  control.SetPeer(std::move(peer));
  return ref;
}

}  // namespace

void TNativeBuilder::BuildPageControl(TPageControl& pc, TNativeContainer& window, TGdiCache& gdi,
                                      bool group) {
  auto& tabs = Attach<TNativeTabs>(pc, gdi, window.Handle(), group);
  for (TTabSheet* page : pc.Pages()) {
    if (!page->TabVisible())
      continue;
    auto& pageWindow = Attach<TNativePage>(*page, gdi, tabs.Handle());
    tabs.AddPage(page, &pageWindow);
    BuildChildren(*page, pageWindow, gdi);
    pageWindow.Update();
  }
  tabs.Update();
}

void TNativeBuilder::BuildControl(TControl& control, TNativeContainer& window, TGdiCache& gdi,
                                  bool group) {
  HWND parent = window.Handle();
  if (auto* pc = dynamic_cast<TPageControl*>(&control)) {
    BuildPageControl(*pc, window, gdi, group);
    return;
  }
  if (auto* label = dynamic_cast<TLabel*>(&control))
    Attach<TNativeLabel>(*label, gdi, parent);
  else if (auto* edit = dynamic_cast<TEdit*>(&control))
    Attach<TNativeEdit>(*edit, gdi, parent, group);
  else if (auto* radio = dynamic_cast<TRadioButton*>(&control))
    Attach<TNativeRadioButton>(*radio, gdi, parent, group);
  else if (auto* check = dynamic_cast<TCheckBox*>(&control))
    Attach<TNativeCheckBox>(*check, gdi, parent, group);
  else if (auto* bar = dynamic_cast<TProgressBar*>(&control))
    Attach<TNativeProgress>(*bar, gdi, parent);
  else if (auto* image = dynamic_cast<TImage*>(&control))
    Attach<TNativeImage>(*image, window);
  else if (auto* button = dynamic_cast<TGlowButton*>(&control))
    Attach<TNativeGlowButton>(*button, gdi, parent, group);
  if (control.Peer())
    control.Peer()->Update();
}

void TNativeBuilder::BuildChildren(TWinControl& container, TNativeContainer& window,
                                   TGdiCache& gdi) {
  bool afterRadio = false;
  for (TControl* child : CreationOrder(container)) {
    const bool radio = dynamic_cast<TRadioButton*>(child) != nullptr;
    BuildControl(*child, window, gdi, !(radio && afterRadio));
    afterRadio = radio;
  }
}

void TNativeBuilder::DetachPeers(TControl& control) {
  if (auto* container = dynamic_cast<TWinControl*>(&control)) {
    for (const auto& child : container->Children())
      DetachPeers(*child);
  }
  control.SetPeer(nullptr);
}

}  // namespace platform::ui::native
