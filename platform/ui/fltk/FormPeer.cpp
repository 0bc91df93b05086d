#include "platform/ui/fltk/FormPeer.h"

namespace platform::ui {

void TFormPeer::Update() {
  window_.Sync(form_);
}

}  // namespace platform::ui
