#include "platform/ui/fltk/MessageBox.h"

#include "platform/ui/fltk/DialogButton.h"
#include "platform/ui/fltk/ErrorIcon.h"
#include "platform/ui/fltk/FontRegistry.h"
#include "platform/ui/fltk/ToolkitSupport.h"
#include "platform/ui/fltk/WindowHints.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Secret_Input.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cctype>
#include <vector>

namespace platform::ui {
namespace {

constexpr int kMaxTextWidth = 420;
constexpr int kMinTextWidth = 60;
constexpr int kMargin = 16;
constexpr int kButtonW = 75;
constexpr int kButtonH = 23;
constexpr int kButtonGap = 8;
constexpr int kStripPadding = 8;
constexpr int kEditH = 21;
constexpr int kEditGap = 10;

// What the box shows: the text, the icon, the buttons and the edit.
struct TBoxLayout {
  std::string caption;
  std::string text;
  bool errorIcon = false;
  std::vector<std::string> buttons;
  int defaultButton = 0;
  int cancelButton = 0;
  bool secret = false;
  int maxLength = 0;
};

// The letter after "&" in a caption, or 0.
int MnemonicOf(const std::string& caption) {
  const size_t at = caption.find('&');
  if (at == std::string::npos || at + 1 >= caption.size())
    return 0;
  return std::tolower(static_cast<unsigned char>(caption[at + 1]));
}

// Shows the box modally and gives the index of the button pressed (the cancel button's when
// the box is closed); `edit` gets the secret edit's text.
int ShowBox(const TBoxLayout& layout, std::string* edit) {
  fl_open_display();
  const TFont font;  // the platform's message font
  const Fl_Font fontNumber = TFontRegistry::FontFor(font);
  fl_font(fontNumber, font.height);
  int textW = kMaxTextWidth;
  int textH = 0;
  fl_measure(layout.text.c_str(), textW, textH, 0);
  textW = std::clamp(textW, kMinTextWidth, kMaxTextWidth);
  if (layout.secret)
    textW = kMaxTextWidth;
  const int count = static_cast<int>(layout.buttons.size());
  const int buttonsW = count * kButtonW + (count - 1) * kButtonGap;
  const int iconW = layout.errorIcon ? TErrorIcon::kSize + kMargin : 0;
  const int bodyH = std::max(textH, layout.errorIcon ? TErrorIcon::kSize : 0);
  const int editH = layout.secret ? kEditH + kEditGap : 0;
  const int w = std::max(kMargin * 2 + iconW + textW, buttonsW + 2 * kMargin);
  const int h = kMargin * 3 + bodyH + editH + kButtonH + kStripPadding;

  int answer = layout.cancelButton;
  // The window owns the widgets made while it is the current group.
  Fl_Double_Window box(w, h);
  box.copy_label(layout.caption.c_str());
  box.color(FL_WHITE);
  if (layout.errorIcon)
    new TErrorIcon(kMargin, kMargin);
  // A label inside its box keeps 3 pixels clear on each side; the box is that much wider.
  auto* message = new Fl_Box(kMargin + iconW - 3, kMargin, textW + 6, bodyH);
  message->copy_label(layout.text.c_str());
  message->labeltype(kPlainLabel);
  message->labelfont(fontNumber);
  message->labelsize(font.height);
  message->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  Fl_Secret_Input* input = nullptr;
  if (layout.secret) {
    input = new Fl_Secret_Input(kMargin + iconW, kMargin + bodyH + kEditGap, textW, kEditH);
    input->textfont(fontNumber);
    input->textsize(font.height);
    if (layout.maxLength > 0)
      input->maximum_size(layout.maxLength);
  }
  // The button strip at the foot, in the platform's face colour, the buttons on the right.
  auto* strip = new Fl_Box(0, h - kButtonH - 2 * kStripPadding, w, kButtonH + 2 * kStripPadding);
  strip->box(FL_FLAT_BOX);
  strip->color(ToFl(clBtnFace));
  struct TPress {
    int* answer;
    int index;
  };
  std::vector<TPress> presses(layout.buttons.size());
  int x = w - kMargin - buttonsW;
  for (int i = 0; i < count; ++i, x += kButtonW + kButtonGap) {
    const std::string& caption = layout.buttons[static_cast<size_t>(i)];
    auto* button = new TDialogButton(x, h - kButtonH - kStripPadding, kButtonW, kButtonH, nullptr);
    button->copy_label(caption.c_str());
    button->labelfont(fontNumber);
    button->labelsize(font.height);
    if (i == layout.defaultButton)
      button->shortcut(FL_Enter);
    else if (const int letter = MnemonicOf(caption))
      button->shortcut(FL_ALT | letter);
    presses[static_cast<size_t>(i)] = {&answer, i};
    button->callback(
        [](Fl_Widget* b, void* data) {
          auto* press = static_cast<TPress*>(data);
          *press->answer = press->index;
          b->window()->hide();
        },
        &presses[static_cast<size_t>(i)]);
  }
  box.end();
  // Escape and the close box both answer with the cancel button.
  box.callback([](Fl_Widget* w, void*) { w->hide(); });
  box.set_modal();
  CentreOnScreen(box);
  box.show();
  if (input)
    input->take_focus();
  TWindowHints::SetWindowName(box, layout.caption);
  while (box.shown())
    Fl::wait();
  if (edit && input)
    *edit = input->value();
  return answer;
}

// The line breaks of a message as the Windows box takes them: CR LF, a lone CR or a lone LF each
// start a new line (the product's messages break lines with CR).
std::string WithLineBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
      continue;
    }
    out += '\n';
    if (i + 1 < text.size() && text[i + 1] == '\n')
      ++i;
  }
  return out;
}

}  // namespace

void TMessageBox::Show(const std::string& caption, const std::string& text, bool errorIcon) {
  TBoxLayout layout;
  layout.caption = caption;
  layout.text = WithLineBreaks(text);
  layout.errorIcon = errorIcon;
  layout.buttons = {"OK"};
  ShowBox(layout, nullptr);
}

int TMessageBox::Ask(const TQuestion& question, std::string& edit) {
  TBoxLayout layout;
  layout.caption = question.caption;
  layout.text = WithLineBreaks(question.text);
  layout.buttons = question.buttons;
  if (layout.buttons.empty())
    layout.buttons = {"OK"};
  const int last = static_cast<int>(layout.buttons.size()) - 1;
  layout.defaultButton = std::clamp(question.defaultButton, 0, last);
  layout.cancelButton = question.cancelButton < 0 ? last : std::min(question.cancelButton, last);
  layout.secret = question.secret;
  layout.maxLength = question.maxLength;
  edit.clear();
  return ShowBox(layout, &edit);
}

}  // namespace platform::ui
