#include "platform/ui/fltk/TabsWidget.h"

#include <algorithm>

#include "platform/ui/EventDispatch.h"

namespace platform::ui {

TTabsWidget::TTabsWidget(TPageControl& pc) : Fl_Tabs(0, 0, 1, 1), pc_(pc) {
  callback(
      [](Fl_Widget* w, void*) {
        auto* self = static_cast<TTabsWidget*>(w);
        Dispatch([self] { self->PageChosen(); });
      },
      nullptr);
}

void TTabsWidget::Sync(TPageControl& pc) {
  box(FL_THIN_UP_BOX);
  selection_color(FL_WHITE);
  for (const auto& [page, group] : pages_) {
    if (page == pc.ActivePage()) {
      value(group);
      return;
    }
  }
}

void TTabsWidget::PageChosen() {
  const auto tabs = pc_.VisibleTabs();
  for (const auto& [page, group] : pages_) {
    if (group != value())
      continue;
    const auto at = std::find(tabs.begin(), tabs.end(), page);
    if (at != tabs.end())
      pc_.ClickTab(static_cast<int>(at - tabs.begin()));
  }
}

}  // namespace platform::ui
