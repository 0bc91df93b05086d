#include "platform/ui/fltk/WidgetBuilder.h"

#include <vector>

#include "platform/ui/ComCtrls.h"
#include "platform/ui/EventDispatch.h"
#include "platform/ui/GlowButton.h"
#include "platform/ui/PeerBuilder.h"
#include "platform/ui/Picture.h"
#include "platform/ui/StdControls.h"
#include "platform/ui/fltk/ControlPeer.h"
#include "platform/ui/fltk/EditWidget.h"
#include "platform/ui/fltk/GlowWidget.h"
#include "platform/ui/fltk/ImageWidget.h"
#include "platform/ui/fltk/LabelWidget.h"
#include "platform/ui/fltk/OptionWidget.h"
#include "platform/ui/fltk/PageWidget.h"
#include "platform/ui/fltk/ProgressWidget.h"
#include "platform/ui/fltk/TabsWidget.h"

namespace platform::ui {
namespace {

// The widget shows what the control decided, whatever the toolkit did on its own.
void Resync(TControl& control) {
  if (control.Peer())
    control.Peer()->Update();
}

// The toolkit's groups own the widgets made here: each joins the group being built, which
// the caller opens (the form's window) and the page control's steps open and close (its tabs
// and pages).
class TWidgetBuilder final : public TPeerBuilder {
 protected:
  // The toolkit has no groups of the dialog keys: its focus follows the order of the widgets in
  // their group, so `group` is not used here.
  void MakeLabel(TLabel& label) override { Attach(label, *new TLabelWidget()); }

  void MakeEdit(TEdit& edit, bool) override { Attach(edit, *new TEditWidget(edit)); }

  void MakeRadioButton(TRadioButton& radio, bool) override {
    auto* widget = new TOptionWidget(true);
    widget->callback(
        [](Fl_Widget*, void* data) {
          auto* control = static_cast<TRadioButton*>(data);
          Dispatch([control] { control->Click(); });
          Resync(*control);
        },
        &radio);
    Attach(radio, *widget);
  }

  void MakeCheckBox(TCheckBox& check, bool) override {
    auto* widget = new TOptionWidget(false);
    widget->callback(
        [](Fl_Widget* w, void* data) {
          const bool value = static_cast<Fl_Button*>(w)->value() != 0;
          auto* control = static_cast<TCheckBox*>(data);
          Dispatch([control, value] { control->SetChecked(value); });
          Resync(*control);
        },
        &check);
    Attach(check, *widget);
  }

  void MakeProgressBar(TProgressBar& bar) override { Attach(bar, *new TProgressWidget()); }

  void MakeImage(TImage& image) override { Attach(image, *new TImageWidget(image)); }

  void MakeGlowButton(TGlowButton& button, bool) override {
    Attach(button, *new TGlowWidget(button));
  }

  // The tabs widget is a group that opens itself: the pages join it. Its peer comes last, once
  // it knows its pages.
  void OpenPageControl(TPageControl& pc, bool) override { tabs_.push_back(new TTabsWidget(pc)); }

  // Fl_Tabs shows one page at a time; the control's own visibility stays as it is.
  void OpenPage(TPageControl&, TTabSheet& page) override {
    auto* group = new TPageWidget();
    tabs_.back()->AddPage(&page, group);
    Attach(page, *group);
    group->begin();
    pages_.push_back(group);
  }

  void ClosePage(TTabSheet&) override {
    pages_.back()->end();
    pages_.pop_back();
  }

  void ClosePageControl(TPageControl& pc) override {
    TTabsWidget* tabs = tabs_.back();
    tabs_.pop_back();
    tabs->end();
    Attach(pc, *tabs);
  }

 private:
  // The page controls and pages being built, the innermost last.
  std::vector<TTabsWidget*> tabs_;
  std::vector<TPageWidget*> pages_;
};

}  // namespace

void BuildWidgets(TWinControl& container) {
  TWidgetBuilder().BuildChildren(container);
}

}  // namespace platform::ui
