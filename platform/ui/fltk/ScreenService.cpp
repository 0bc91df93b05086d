// The screen side of the window layer, on the FLTK toolkit. Each control gets a peer widget
// when its form is shown; the peer copies the control's properties and hands what the user
// does back to the control, so the control classes stay the one place that holds state.
#include "platform/ui/EventDispatch.h"
#include "platform/ui/Form.h"
#include "platform/ui/PeerBuilder.h"
#include "platform/ui/Picture.h"
#include "platform/ui/UiService.h"
#include "platform/ui/fltk/FontRegistry.h"
#include "platform/ui/fltk/FormPeer.h"
#include "platform/ui/fltk/FormWindow.h"
#include "platform/ui/fltk/MessageBox.h"
#include "platform/ui/fltk/ToolkitSupport.h"
#include "platform/ui/fltk/WidgetBuilder.h"
#include "platform/ui/fltk/WindowHints.h"

#include <FL/Fl.H>
#include <FL/Fl_RGB_Image.H>

#include <memory>

namespace platform::ui {
namespace {

// A toolkit image of a picture. The toolkit copies the pixels when it takes it as an icon.
std::unique_ptr<Fl_RGB_Image> ToolkitImage(const TPicture& picture) {
  if (picture.Empty())
    return nullptr;
  return std::make_unique<Fl_RGB_Image>(picture.Pixels().data(), picture.Width(), picture.Height(),
                                        picture.Depth());
}

class TScreenService : public IUiService {
 public:
  TScreenService() {
    TFontRegistry::RegisterProductFonts();
    RegisterDrawingTypes();
    Fl::visible_focus(1);
  }

  void ShowMessage(const std::string& caption, const std::string& text) override {
    TMessageBox::Show(caption, text, false);
  }
  void ShowError(const std::string& caption, const std::string& text) override {
    TMessageBox::Show(caption, text, true);
  }
  int Ask(const TQuestion& question, std::string& edit) override {
    return TMessageBox::Ask(question, edit);
  }
  void ProcessMessages() override { Fl::check(); }
  // The desktop names the program by its main window's caption; the application's title
  // reaches the message boxes as their caption, which TApplication passes in.
  void SetTitle(const std::string&) override {}
  // Every window the toolkit shows without an icon of its own, the message boxes included,
  // takes the default icon.
  void SetIcon(const TPicture& icon) override {
    icon_ = ToolkitImage(icon);
    if (icon_)
      Fl_Window::default_icon(icon_.get());
    else
      Fl_Window::default_icons(nullptr, 0);
  }

  void Run(TForm& form, const std::function<void(const std::exception&)>& onError) override {
    const TEventErrorHandler handler = onError;
    const TEventErrorRoute route(&handler);
    auto window = std::make_unique<TFormWindow>(form);
    // Declared after the window: the peers go before the widgets they point at.
    const TShownPeers peers(form);
    window->begin();
    BuildWidgets(form);
    window->end();
    form.SetPeer(std::make_unique<TFormPeer>(form, *window));
    form.Peer()->Update();
    const std::unique_ptr<Fl_RGB_Image> icon = ToolkitImage(form.Icon());
    if (icon)
      window->icon(icon.get());
    if (form.CenterOnScreen())
      CentreOnScreen(*window);
    if (!form.Closed()) {
      window->show();
      TWindowHints::SetTitleBarButtons(*window, form);
      TWindowHints::SetWindowName(*window, form.Caption());
      form.Shown();
    }
    while (window->shown())
      Fl::wait();
  }

 private:
  std::unique_ptr<Fl_RGB_Image> icon_;
};

}  // namespace

std::unique_ptr<IUiService> CreateScreenService() {
  return std::make_unique<TScreenService>();
}

}  // namespace platform::ui
