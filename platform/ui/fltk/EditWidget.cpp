#include "platform/ui/fltk/EditWidget.h"

#include <algorithm>

#include "platform/ui/EventDispatch.h"
#include "platform/ui/fltk/FontRegistry.h"
#include "platform/ui/fltk/ToolkitSupport.h"

namespace platform::ui {

TEditWidget::TEditWidget(TEdit& edit) : Fl_Input(0, 0, 1, 1), edit_(edit) {
  box(kFrameBox);
  when(FL_WHEN_CHANGED);
  callback(
      [](Fl_Widget* w, void*) {
        auto* self = static_cast<TEditWidget*>(w);
        Dispatch([self] { self->edit_.EditedByUser(self->value()); });
      },
      nullptr);
}

void TEditWidget::Sync(TEdit& edit) {
  textfont(TFontRegistry::FontFor(edit.Font()));
  textsize(edit.Font().height);
  textcolor(ToFl(edit.Font().color));
  color(FL_WHITE);
  if (edit.Text() != value()) {
    // Keep the caret where the user left it when upper case or the limit changed the text.
    const int pos = std::min(position(), static_cast<int>(edit.Text().size()));
    value(edit.Text().c_str());
    position(pos);
  }
}

}  // namespace platform::ui
