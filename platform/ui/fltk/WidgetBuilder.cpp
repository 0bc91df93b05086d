#include "platform/ui/fltk/WidgetBuilder.h"

#include "platform/ui/ComCtrls.h"
#include "platform/ui/EventDispatch.h"
#include "platform/ui/GlowButton.h"
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

}  // namespace

// The toolkit has no groups of the dialog keys: its focus follows the order of the widgets in
// their group, so `group` is not used here.
void TWidgetBuilder::MakeLabel(TLabel& label) {
  Attach(label, *new TLabelWidget());
}

void TWidgetBuilder::MakeEdit(TEdit& edit, bool) {
  Attach(edit, *new TEditWidget(edit));
}

void TWidgetBuilder::MakeRadioButton(TRadioButton& radio, bool) {
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

void TWidgetBuilder::MakeCheckBox(TCheckBox& check, bool) {
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

void TWidgetBuilder::MakeProgressBar(TProgressBar& bar) {
  Attach(bar, *new TProgressWidget());
}

void TWidgetBuilder::MakeImage(TImage& image) {
  Attach(image, *new TImageWidget(image));
}

void TWidgetBuilder::MakeGlowButton(TGlowButton& button, bool) {
  Attach(button, *new TGlowWidget(button));
}

// The tabs widget is a group that opens itself: the pages join it. Its peer comes last, once
// it knows its pages.
void TWidgetBuilder::OpenPageControl(TPageControl& pc, bool) {
  tabs_.push_back(new TTabsWidget(pc));
}

// Fl_Tabs shows one page at a time; the control's own visibility stays as it is.
void TWidgetBuilder::OpenPage(TPageControl&, TTabSheet& page) {
  auto* group = new TPageWidget();
  tabs_.back()->AddPage(&page, group);
  Attach(page, *group);
  group->begin();
  pages_.push_back(group);
}

void TWidgetBuilder::ClosePage(TTabSheet&) {
  pages_.back()->end();
  pages_.pop_back();
}

void TWidgetBuilder::ClosePageControl(TPageControl& pc) {
  TTabsWidget* tabs = tabs_.back();
  tabs_.pop_back();
  tabs->end();
  Attach(pc, *tabs);
}

}  // namespace platform::ui
