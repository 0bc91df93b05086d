#include "platform/ui/MessageBox.h"

#include "platform/ui/DialogButton.h"
#include "platform/ui/ErrorIcon.h"
#include "platform/ui/FontRegistry.h"
#include "platform/ui/ToolkitSupport.h"
#include "platform/ui/WindowHints.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>

namespace platform::ui {
namespace {

constexpr int kMaxTextWidth = 420;
constexpr int kMinTextWidth = 60;
constexpr int kMargin = 16;
constexpr int kButtonW = 75;
constexpr int kButtonH = 23;
constexpr int kStripPadding = 8;

}  // namespace

void TMessageBox::Show(const std::string& caption, const std::string& text, bool errorIcon) {
  fl_open_display();
  const TFont font;  // the platform's message font
  const Fl_Font fontNumber = TFontRegistry::FontFor(font);
  fl_font(fontNumber, font.height);
  int textW = kMaxTextWidth;
  int textH = 0;
  fl_measure(text.c_str(), textW, textH, 0);
  textW = std::clamp(textW, kMinTextWidth, kMaxTextWidth);
  const int iconW = errorIcon ? TErrorIcon::kSize + kMargin : 0;
  const int bodyH = std::max(textH, errorIcon ? TErrorIcon::kSize : 0);
  const int w = std::max(kMargin * 2 + iconW + textW, kButtonW + 2 * kMargin);
  const int h = kMargin * 3 + bodyH + kButtonH + kStripPadding;

  // The window owns the widgets made while it is the current group.
  Fl_Double_Window box(w, h);
  box.copy_label(caption.c_str());
  box.color(FL_WHITE);
  if (errorIcon)
    new TErrorIcon(kMargin, kMargin);
  // A label inside its box keeps 3 pixels clear on each side; the box is that much wider.
  auto* message = new Fl_Box(kMargin + iconW - 3, kMargin, textW + 6, bodyH);
  message->copy_label(text.c_str());
  message->labeltype(kPlainLabel);
  message->labelfont(fontNumber);
  message->labelsize(font.height);
  message->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  // The button strip at the foot, in the platform's face colour, with OK on the right.
  auto* strip = new Fl_Box(0, h - kButtonH - 2 * kStripPadding, w, kButtonH + 2 * kStripPadding);
  strip->box(FL_FLAT_BOX);
  strip->color(ToFl(clBtnFace));
  auto* ok = new TDialogButton(w - kMargin - kButtonW, h - kButtonH - kStripPadding, kButtonW,
                               kButtonH, "OK");
  ok->labelfont(fontNumber);
  ok->labelsize(font.height);
  ok->shortcut(FL_Enter);
  ok->callback([](Fl_Widget* b, void*) { b->window()->hide(); });
  box.end();
  box.set_modal();
  CentreOnScreen(box);
  box.show();
  TWindowHints::SetWindowName(box, caption);
  while (box.shown())
    Fl::wait();
}

}  // namespace platform::ui
