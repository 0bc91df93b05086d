#pragma once
// The form's own peer: the window is placed by the form's position, not by the parent chain.
// For the toolkit backend only.
#include "platform/ui/fltk/FormWindow.h"

namespace platform::ui {

class TFormPeer : public TControlPeer {
 public:
  TFormPeer(TForm& form, TFormWindow& window) : form_(form), window_(window) {}
  void Update() override;

 private:
  TForm& form_;
  TFormWindow& window_;
};

}  // namespace platform::ui
