#pragma once
#include <cstdint>
#include <vector>

#include "platform/ui/Control.h"

// The common controls: page control with its pages, and the progress bar.
namespace platform::ui {

class TPageControl;

// One page of a page control. A page whose tab is hidden can't be chosen by the user, with
// the mouse or with the keyboard; code may still keep data on its controls.
class TTabSheet : public TWinControl {
 public:
  TTabSheet(TWinControl* parent, std::string name);
  TPageControl& PageControl() const { return *pageControl_; }

  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool visible);

  // A page always fills the page control's client area.
  void ParentResized(int oldWidth, int oldHeight) override;

 private:
  TPageControl* pageControl_;
  bool tabVisible_ = true;
};

class TPageControl : public TWinControl {
 public:
  // Height of the tab row and width of the frame around the pages, in pixels.
  static constexpr int kTabHeight = 20;
  static constexpr int kFrame = 4;

  using TWinControl::TWinControl;
  bool TabStop() const override { return true; }

  // Pages in creation order (the order of their tabs).
  const std::vector<TTabSheet*>& Pages() const { return pages_; }
  // Pages whose tab is shown, in the order of the tabs on screen.
  std::vector<TTabSheet*> VisibleTabs() const;

  TTabSheet* ActivePage() const { return activePage_; }
  void SetActivePage(TTabSheet* page);

  // What the user can do: click the tab at a place in the row of shown tabs, or press
  // Ctrl+Tab / Ctrl+Shift+Tab. Pages whose tab is hidden are never reached. Return false when
  // nothing changed.
  bool ClickTab(int visibleTabIndex);
  bool SelectNextPage(bool forward);

  // The rectangle that pages fill, within the page control.
  TRect PageArea() const;

  TNotifyEvent OnChange;

 private:
  friend class TTabSheet;
  std::vector<TTabSheet*> pages_;
  TTabSheet* activePage_ = nullptr;
};

// A progress bar whose range and position are 32-bit integers; the position stays in range.
class TProgressBar : public TControl {
 public:
  using TControl::TControl;

  int32_t Min() const { return min_; }
  int32_t Max() const { return max_; }
  int32_t Position() const { return position_; }
  void SetMin(int32_t value);
  void SetMax(int32_t value);
  void SetPosition(int32_t value);
  // Share of the range done, 0..1, for drawing.
  double Fraction() const;

 private:
  int32_t min_ = 0;
  int32_t max_ = 100;
  int32_t position_ = 0;
};

}  // namespace platform::ui
