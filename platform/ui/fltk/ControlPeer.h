#pragma once
// The peer that keeps a widget in step with its control. For the toolkit backend only.
#include "platform/ui/Control.h"

#include <FL/Fl_Widget.H>

#include <memory>
#include <type_traits>

namespace platform::ui {

class TPageWidget;

// The common part of every peer: geometry, visibility, enabled state, font and colours.
// Pages leave their visibility to the page control, which shows the active one only.
void ApplyCommon(const TControl& control, Fl_Widget& widget, bool applyVisibility);

// A peer that updates its widget from the control whenever the control changes.
template <typename Control, typename Widget>
class TControlWidgetPeer : public TControlPeer {
 public:
  TControlWidgetPeer(Control& control, Widget& widget) : control_(control), widget_(widget) {}
  void Update() override {
    ApplyCommon(control_, widget_, !std::is_same_v<Widget, TPageWidget>);
    widget_.Sync(control_);
  }
  void TakeFocus() override { widget_.take_focus(); }

 private:
  Control& control_;
  Widget& widget_;
};

template <typename Control, typename Widget>
void Attach(Control& control, Widget& widget) {
  control.SetPeer(std::make_unique<TControlWidgetPeer<Control, Widget>>(control, widget));
  control.Peer()->Update();
}

}  // namespace platform::ui
