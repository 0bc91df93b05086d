#include "platform/ui/fltk/PageWidget.h"

namespace platform::ui {

void TPageWidget::Sync(TTabSheet& page) {
  copy_label(page.Caption().c_str());
  box(FL_FLAT_BOX);
}

}  // namespace platform::ui
