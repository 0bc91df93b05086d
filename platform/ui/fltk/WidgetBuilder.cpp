#include "platform/ui/WidgetBuilder.h"

#include "platform/ui/ComCtrls.h"
#include "platform/ui/ControlPeer.h"
#include "platform/ui/EditWidget.h"
#include "platform/ui/GlowWidget.h"
#include "platform/ui/ImageWidget.h"
#include "platform/ui/LabelWidget.h"
#include "platform/ui/OptionWidget.h"
#include "platform/ui/PageWidget.h"
#include "platform/ui/ProgressWidget.h"
#include "platform/ui/TabsWidget.h"
#include "platform/ui/ToolkitSupport.h"

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

// The widget shows what the control decided, whatever the toolkit did on its own.
void Resync(TControl& control) {
  if (control.Peer())
    control.Peer()->Update();
}

}  // namespace

// The toolkit's groups own the widgets made here: each joins the group being built.
void TWidgetBuilder::BuildPageControl(TPageControl& pc) {
  auto* tabs = new TTabsWidget(pc);
  for (TTabSheet* page : pc.Pages()) {
    if (!page->TabVisible())
      continue;
    auto* group = new TPageWidget();
    tabs->AddPage(page, group);
    Attach(*page, *group);
    // Fl_Tabs shows one page at a time; the control's own visibility stays as it is.
    group->begin();
    BuildChildren(*page);
    group->end();
  }
  tabs->end();
  Attach(pc, *tabs);
}

void TWidgetBuilder::BuildControl(TControl& control) {
  if (auto* pc = dynamic_cast<TPageControl*>(&control)) {
    BuildPageControl(*pc);
  } else if (auto* label = dynamic_cast<TLabel*>(&control)) {
    Attach(*label, *new TLabelWidget());
  } else if (auto* edit = dynamic_cast<TEdit*>(&control)) {
    Attach(*edit, *new TEditWidget(*edit));
  } else if (auto* radio = dynamic_cast<TRadioButton*>(&control)) {
    auto* widget = new TOptionWidget(true);
    widget->callback(
        [](Fl_Widget*, void* data) {
          auto* control = static_cast<TRadioButton*>(data);
          Dispatch([control] { control->Click(); });
          Resync(*control);
        },
        radio);
    Attach(*radio, *widget);
  } else if (auto* check = dynamic_cast<TCheckBox*>(&control)) {
    auto* widget = new TOptionWidget(false);
    widget->callback(
        [](Fl_Widget* w, void* data) {
          const bool value = static_cast<Fl_Button*>(w)->value() != 0;
          auto* control = static_cast<TCheckBox*>(data);
          Dispatch([control, value] { control->SetChecked(value); });
          Resync(*control);
        },
        check);
    Attach(*check, *widget);
  } else if (auto* bar = dynamic_cast<TProgressBar*>(&control)) {
    Attach(*bar, *new TProgressWidget());
  } else if (auto* image = dynamic_cast<TImage*>(&control)) {
    Attach(*image, *new TImageWidget(*image));
  } else if (auto* button = dynamic_cast<TGlowButton*>(&control)) {
    Attach(*button, *new TGlowWidget(*button));
  }
}

void TWidgetBuilder::BuildChildren(TWinControl& container) {
  for (TControl* child : CreationOrder(container))
    BuildControl(*child);
}

void TWidgetBuilder::DetachPeers(TControl& control) {
  control.SetPeer(nullptr);
  if (auto* container = dynamic_cast<TWinControl*>(&control)) {
    for (const auto& child : container->Children())
      DetachPeers(*child);
  }
}

}  // namespace platform::ui
