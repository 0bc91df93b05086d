#include "platform/ui/fltk/ControlPeer.h"

#include "platform/ui/fltk/FontRegistry.h"
#include "platform/ui/fltk/ToolkitSupport.h"

namespace platform::ui {
namespace {

// Position of a control within its window: the toolkit places every widget in window
// coordinates, ours are relative to the parent.
void WindowOrigin(const TControl& control, int& x, int& y) {
  x = control.Left();
  y = control.Top();
  for (const TControl* p = control.Parent(); p && p->Parent(); p = p->Parent()) {
    x += p->Left();
    y += p->Top();
  }
}

}  // namespace

void ApplyCommon(const TControl& control, Fl_Widget& widget, bool applyVisibility) {
  int x = 0;
  int y = 0;
  WindowOrigin(control, x, y);
  // Every widget is placed by its own control, so a group must not scale its children.
  if (widget.x() != x || widget.y() != y || widget.w() != control.Width() ||
      widget.h() != control.Height())
    widget.Fl_Widget::resize(x, y, control.Width(), control.Height());
  widget.labelfont(TFontRegistry::FontFor(control.Font()));
  widget.labelsize(control.Font().height);
  widget.labeltype(kPlainLabel);
  widget.labelcolor(ToFl(control.Font().color));
  widget.color(ToFl(control.Color()));
  if (control.Enabled())
    widget.activate();
  else
    widget.deactivate();
  if (applyVisibility) {
    if (control.Visible())
      widget.show();
    else
      widget.hide();
  }
  widget.redraw();
}

}  // namespace platform::ui
