#pragma once
// The form's top-level window. For the toolkit backend only.
#include "platform/ui/Form.h"

#include <FL/Fl_Double_Window.H>

namespace platform::ui {

class TFormWindow : public Fl_Double_Window {
 public:
  explicit TFormWindow(TForm& form);
  void Sync(TForm& form);

 private:
  TForm& form_;
};

}  // namespace platform::ui
