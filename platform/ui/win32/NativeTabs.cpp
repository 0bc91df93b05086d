#include "platform/ui/win32/NativeTabs.h"

#include <algorithm>

#include "platform/ui/win32/NativePage.h"
#include "platform/win32/Win32Util.h"

namespace platform::ui::native {

TNativeTabs::TNativeTabs(TPageControl& pc, TGdiCache& gdi, HWND parent, bool group)
    : TNativePeer(pc, gdi), pc_(pc) {
  Create(WC_TABCONTROLW, WS_TABSTOP | WS_CLIPCHILDREN | (group ? WS_GROUP : 0), WS_EX_CONTROLPARENT,
         parent);
}

// The tabs are the shown pages that have a window, in the order of the page control.
void TNativeTabs::SyncTabs(const std::vector<TTabSheet*>& tabs) {
  HWND hwnd = Handle();
  if (tabs == shownTabs_) {
    for (size_t i = 0; i < tabs.size(); ++i) {
      std::wstring text = Widen(tabs[i]->Caption());
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = text.data();
      SendMessageW(hwnd, TCM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    return;
  }
  SendMessageW(hwnd, TCM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < tabs.size(); ++i) {
    std::wstring text = Widen(tabs[i]->Caption());
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageW(hwnd, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  shownTabs_ = tabs;
}

void TNativeTabs::Sync() {
  std::vector<TTabSheet*> tabs;
  for (TTabSheet* page : pc_.VisibleTabs()) {
    const bool hasWindow = std::any_of(pages_.begin(), pages_.end(),
                                       [page](const auto& entry) { return entry.first == page; });
    if (hasWindow)
      tabs.push_back(page);
  }
  SyncTabs(tabs);
  const auto at = std::find(tabs.begin(), tabs.end(), pc_.ActivePage());
  const int index = at == tabs.end() ? -1 : static_cast<int>(at - tabs.begin());
  HWND hwnd = Handle();
  if (SendMessageW(hwnd, TCM_GETCURSEL, 0, 0) != index)
    SendMessageW(hwnd, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  for (const auto& [page, window] : pages_)
    window->Show(page == pc_.ActivePage() && page->TabVisible());
}

bool TNativeTabs::Notify(const NMHDR& header, LRESULT& result) {
  if (header.code != TCN_SELCHANGE)
    return false;
  const auto index = static_cast<int>(SendMessageW(Handle(), TCM_GETCURSEL, 0, 0));
  if (index >= 0 && index < static_cast<int>(shownTabs_.size())) {
    const auto visible = pc_.VisibleTabs();
    const auto at = std::find(visible.begin(), visible.end(), shownTabs_[index]);
    if (at != visible.end())
      pc_.ClickTab(static_cast<int>(at - visible.begin()));
  }
  // The tabs show what the page control decided.
  Update();
  result = 0;
  return true;
}

}  // namespace platform::ui::native
