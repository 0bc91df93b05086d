#include "platform/ui/fltk/FormWindow.h"

#include "platform/ui/EventDispatch.h"
#include "platform/ui/fltk/ToolkitSupport.h"
#include "platform/ui/fltk/WindowHints.h"

#include <FL/Fl.H>

namespace platform::ui {

TFormWindow::TFormWindow(TForm& form) : Fl_Double_Window(form.Width(), form.Height()), form_(form) {
  callback(
      [](Fl_Widget* w, void*) {
        // The toolkit also closes windows on Escape; the platform's windows close by their
        // close box only.
        if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape)
          return;
        auto* self = static_cast<TFormWindow*>(w);
        Dispatch([self] { self->form_.CloseByUser(); });
      },
      nullptr);
}

void TFormWindow::Sync(TForm& form) {
  color(ToFl(form.Color()));
  if (!label() || form.Caption() != label()) {
    copy_label(form.Caption().c_str());
    TWindowHints::SetWindowName(*this, form.Caption());
  }
  if (!form.Resizable())
    size_range(form.Width(), form.Height(), form.Width(), form.Height());
  if (form.Closed())
    hide();
}

}  // namespace platform::ui
