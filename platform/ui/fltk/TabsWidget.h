#pragma once
// The page control's widget. It shows only the pages whose tab is shown: a page whose tab is
// hidden has no widget at all, so neither the mouse nor the keyboard can reach it. For the
// toolkit backend only.
#include "platform/ui/ComCtrls.h"

#include <FL/Fl_Group.H>
#include <FL/Fl_Tabs.H>

#include <utility>
#include <vector>

namespace platform::ui {

class TTabsWidget : public Fl_Tabs {
 public:
  explicit TTabsWidget(TPageControl& pc);
  void Sync(TPageControl& pc);
  void AddPage(TTabSheet* page, Fl_Group* group) { pages_.emplace_back(page, group); }

 private:
  void PageChosen();

  TPageControl& pc_;
  std::vector<std::pair<TTabSheet*, Fl_Group*>> pages_;
};

}  // namespace platform::ui
