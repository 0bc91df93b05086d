#pragma once
// The page control as a tab control (WC_TABCONTROL). Only pages whose tab is shown get a tab
// and a window, so a page with a hidden tab can't be reached with the mouse or the keyboard.
// The tab the user picks goes to the page control, which decides the active page.
#include <utility>
#include <vector>

#include "platform/ui/ComCtrls.h"
#include "platform/ui/win32/NativePeer.h"

namespace platform::ui::native {

class TNativePage;

class TNativeTabs : public TNativePeer {
 public:
  TNativeTabs(TPageControl& pc, TGdiCache& gdi, HWND parent, bool group);
  void AddPage(TTabSheet* page, TNativePage* window) { pages_.emplace_back(page, window); }
  bool Notify(const NMHDR& header, LRESULT& result) override;

 protected:
  void Sync() override;

 private:
  void SyncTabs(const std::vector<TTabSheet*>& tabs);

  TPageControl& pc_;
  std::vector<std::pair<TTabSheet*, TNativePage*>> pages_;
  std::vector<TTabSheet*> shownTabs_;
};

}  // namespace platform::ui::native
