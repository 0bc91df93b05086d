#include "platform/ui/PeerBuilder.h"

#include <vector>

#include "platform/ui/ComCtrls.h"
#include "platform/ui/Form.h"
#include "platform/ui/GlowButton.h"
#include "platform/ui/Picture.h"
#include "platform/ui/StdControls.h"

namespace platform::ui {
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

}  // namespace

void TPeerBuilder::BuildPageControl(TPageControl& pc, bool group) {
  OpenPageControl(pc, group);
  for (TTabSheet* page : pc.Pages()) {
    if (!page->TabVisible())
      continue;
    OpenPage(pc, *page);
    BuildChildren(*page);
    ClosePage(*page);
  }
  ClosePageControl(pc);
}

void TPeerBuilder::BuildControl(TControl& control, bool group) {
  if (auto* pc = dynamic_cast<TPageControl*>(&control))
    BuildPageControl(*pc, group);
  else if (auto* label = dynamic_cast<TLabel*>(&control))
    MakeLabel(*label);
  else if (auto* edit = dynamic_cast<TEdit*>(&control))
    MakeEdit(*edit, group);
  else if (auto* radio = dynamic_cast<TRadioButton*>(&control))
    MakeRadioButton(*radio, group);
  else if (auto* check = dynamic_cast<TCheckBox*>(&control))
    MakeCheckBox(*check, group);
  else if (auto* bar = dynamic_cast<TProgressBar*>(&control))
    MakeProgressBar(*bar);
  else if (auto* image = dynamic_cast<TImage*>(&control))
    MakeImage(*image);
  else if (auto* button = dynamic_cast<TGlowButton*>(&control))
    MakeGlowButton(*button, group);
}

void TPeerBuilder::BuildChildren(TWinControl& container) {
  bool afterRadio = false;
  for (TControl* child : CreationOrder(container)) {
    const bool radio = dynamic_cast<TRadioButton*>(child) != nullptr;
    BuildControl(*child, !(radio && afterRadio));
    afterRadio = radio;
  }
}

void TPeerBuilder::DetachPeers(TControl& control) {
  if (auto* container = dynamic_cast<TWinControl*>(&control)) {
    for (const auto& child : container->Children())
      DetachPeers(*child);
  }
  control.SetPeer(nullptr);
}

TShownPeers::~TShownPeers() {
  TPeerBuilder::DetachPeers(form_);
}

}  // namespace platform::ui
