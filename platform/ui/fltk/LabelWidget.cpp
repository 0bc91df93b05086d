#include "platform/ui/fltk/LabelWidget.h"

namespace platform::ui {

void TLabelWidget::Sync(TLabel& label) {
  copy_label(label.Caption().c_str());
  box(label.ParentColor() ? FL_NO_BOX : FL_FLAT_BOX);
  const Fl_Align side = label.Alignment() == TAlignment::RightJustify ? FL_ALIGN_RIGHT
                        : label.Alignment() == TAlignment::Center     ? FL_ALIGN_CENTER
                                                                      : FL_ALIGN_LEFT;
  // Labels size themselves to their text, so a caption wider than its box is not cut.
  align(side | FL_ALIGN_INSIDE);
}

}  // namespace platform::ui
