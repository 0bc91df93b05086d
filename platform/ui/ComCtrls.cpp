#include "platform/ui/ComCtrls.h"

#include <algorithm>
#include <stdexcept>

namespace platform::ui {

TTabSheet::TTabSheet(TWinControl* parent, std::string name)
    : TWinControl(parent, std::move(name)), pageControl_(dynamic_cast<TPageControl*>(parent)) {
  if (!pageControl_)
    throw std::logic_error("A tab sheet belongs to a page control");
  pageControl_->pages_.push_back(this);
  ParentResized(0, 0);
}

void TTabSheet::SetTabVisible(bool visible) {
  tabVisible_ = visible;
  Changed();
  if (pageControl_->Peer())
    pageControl_->Peer()->Update();
}

void TTabSheet::ParentResized(int, int) {
  const TRect area = pageControl_->PageArea();
  SetBounds(area.left, area.top, area.width, area.height);
}

std::vector<TTabSheet*> TPageControl::VisibleTabs() const {
  std::vector<TTabSheet*> tabs;
  for (TTabSheet* page : pages_) {
    if (page->TabVisible())
      tabs.push_back(page);
  }
  return tabs;
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && &page->PageControl() != this)
    return;
  if (activePage_ == page)
    return;
  activePage_ = page;
  Changed();
  if (OnChange)
    OnChange(*this);
}

bool TPageControl::ClickTab(int visibleTabIndex) {
  const auto tabs = VisibleTabs();
  if (!Enabled() || visibleTabIndex < 0 || visibleTabIndex >= static_cast<int>(tabs.size()))
    return false;
  if (activePage_ == tabs[visibleTabIndex])
    return false;
  SetActivePage(tabs[visibleTabIndex]);
  return true;
}

bool TPageControl::SelectNextPage(bool forward) {
  const auto tabs = VisibleTabs();
  if (!Enabled() || tabs.empty())
    return false;
  const auto at = std::find(tabs.begin(), tabs.end(), activePage_);
  const int count = static_cast<int>(tabs.size());
  int index = at == tabs.end()
                  ? (forward ? 0 : count - 1)
                  : (static_cast<int>(at - tabs.begin()) + (forward ? 1 : count - 1)) % count;
  if (activePage_ == tabs[index])
    return false;
  SetActivePage(tabs[index]);
  return true;
}

TRect TPageControl::PageArea() const {
  return {kFrame, kTabHeight + kFrame, std::max(0, Width() - 2 * kFrame),
          std::max(0, Height() - kTabHeight - 2 * kFrame)};
}

void TProgressBar::SetMin(int32_t value) {
  min_ = value;
  if (max_ < min_)
    max_ = min_;
  SetPosition(position_);
  Changed();
}

void TProgressBar::SetMax(int32_t value) {
  max_ = value;
  if (min_ > max_)
    min_ = max_;
  SetPosition(position_);
  Changed();
}

void TProgressBar::SetPosition(int32_t value) {
  position_ = std::clamp(value, min_, max_);
  Changed();
}

double TProgressBar::Fraction() const {
  if (max_ == min_)
    return 0.0;
  return (static_cast<double>(position_) - min_) / (static_cast<double>(max_) - min_);
}

}  // namespace platform::ui
