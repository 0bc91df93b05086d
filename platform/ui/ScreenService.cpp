// The screen side of the window layer, on the FLTK toolkit. Each control gets a peer widget
// when its form is shown; the peer copies the control's properties and hands what the user
// does back to the control, so the control classes stay the one place that holds state.
// Our headers come first: the X11 headers define macros (None, Bool) that would clash.
#include "platform/ui/Application.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Form.h"
#include "platform/ui/GlowButton.h"
#include "platform/ui/Picture.h"
#include "platform/ui/StdControls.h"
#include "platform/ui/UiService.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Tabs.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <type_traits>

namespace platform::ui {
namespace {

// ---------------------------------------------------------------------------------------
// Fonts

// The free clones of the two fonts the window names ship with Wine, outside fontconfig's
// search path; the program registers them for itself at start.
constexpr const char* kProductFontFiles[] = {
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/wine/fonts/tahomabd.ttf",
    "/usr/share/wine/fonts/ms_sans_serif.ttf",
};
constexpr const char* kFallbackFamily = "sans";

void RegisterProductFonts() {
  FcInit();
  for (const char* file : kProductFontFiles) {
    FcConfigAppFontAddFile(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(file));
  }
}

// True when fontconfig has the family itself, not merely a substitute for it.
bool HaveFamily(const std::string& family) {
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()));
  if (!pattern)
    return false;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  bool found = false;
  FcChar8* matched = nullptr;
  if (match && FcPatternGetString(match, FC_FAMILY, 0, &matched) == FcResultMatch)
    found = strcasecmp(reinterpret_cast<const char*>(matched), family.c_str()) == 0;
  if (match)
    FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return found;
}

// The toolkit's font number for a family and weight, made on first use. The toolkit keeps
// the name's pointer, so the names live in a container that never moves them.
Fl_Font FontFor(const TFont& font) {
  static std::map<std::pair<std::string, bool>, Fl_Font> numbers;
  static std::deque<std::string> names;
  static std::map<std::string, bool> available;
  const auto key = std::make_pair(font.name, font.bold);
  if (auto it = numbers.find(key); it != numbers.end())
    return it->second;
  auto have = available.find(font.name);
  if (have == available.end())
    have = available.emplace(font.name, HaveFamily(font.name)).first;
  const std::string family = have->second ? font.name : kFallbackFamily;
  // The first character of an Xft font name carries the style: blank for regular, B for bold.
  names.push_back(std::string(font.bold ? "B" : " ") + family);
  const auto number = static_cast<Fl_Font>(FL_FREE_FONT + numbers.size());
  Fl::set_font(number, names.back().c_str());
  numbers.emplace(key, number);
  return number;
}

Fl_Color ToFl(TColor color) {
  return fl_rgb_color(static_cast<uchar>(color >> 16), static_cast<uchar>(color >> 8),
                      static_cast<uchar>(color));
}

// Captions are plain text. The toolkit's normal labels read "@name" as a drawn symbol,
// which would garble a caption or message holding an "@" (an e-mail or FTP address).
constexpr Fl_Labeltype kPlainLabel = FL_FREE_LABELTYPE;

void DrawPlainLabel(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
  fl_font(label->font, label->size);
  fl_color(static_cast<Fl_Color>(label->color));
  fl_draw(label->value, x, y, w, h, align, label->image, 0);
}

void MeasurePlainLabel(const Fl_Label* label, int& w, int& h) {
  fl_font(label->font, label->size);
  fl_measure(label->value, w, h, 0);
}

// ---------------------------------------------------------------------------------------
// Handing user actions to the controls

// Failures raised by event handlers go to the application's error box, then the message loop
// goes on; this is set for the life of Run().
std::function<void(const std::exception&)>* g_onError = nullptr;

template <typename F>
void Dispatch(F&& action) {
  try {
    action();
  } catch (const std::exception& error) {
    if (g_onError && *g_onError)
      (*g_onError)(error);
  }
}

// Position of a control within its window: the toolkit places every widget in window
// coordinates, ours are relative to the parent.
void WindowOrigin(const TControl& control, int& x, int& y) {
  x = control.Left();
  y = control.Top();
  for (const TControl* p = control.Parent(); p && p->Parent(); p = p->Parent()) {
    x += p->Left();
    y += p->Top();
  }
}

// The common part of every peer: geometry, visibility, enabled state, font and colours.
// Pages leave their visibility to the page control, which shows the active one only.
void ApplyCommon(const TControl& control, Fl_Widget& widget, bool applyVisibility) {
  int x = 0;
  int y = 0;
  WindowOrigin(control, x, y);
  // Every widget is placed by its own control, so a group must not scale its children.
  if (widget.x() != x || widget.y() != y || widget.w() != control.Width() ||
      widget.h() != control.Height())
    widget.Fl_Widget::resize(x, y, control.Width(), control.Height());
  widget.labelfont(FontFor(control.Font()));
  widget.labelsize(control.Font().height);
  widget.labeltype(kPlainLabel);
  widget.labelcolor(ToFl(control.Font().color));
  widget.color(ToFl(control.Color()));
  if (control.Enabled())
    widget.activate();
  else
    widget.deactivate();
  if (applyVisibility) {
    if (control.Visible())
      widget.show();
    else
      widget.hide();
  }
  widget.redraw();
}

class TPageWidget;

// A peer that updates its widget from the control whenever the control changes.
template <typename Control, typename Widget>
class TPeer : public TControlPeer {
 public:
  TPeer(Control& control, Widget& widget) : control_(control), widget_(widget) {}
  void Update() override {
    ApplyCommon(control_, widget_, !std::is_same_v<Widget, TPageWidget>);
    widget_.Sync(control_);
  }

 private:
  Control& control_;
  Widget& widget_;
};

template <typename Control, typename Widget>
void Attach(Control& control, Widget& widget) {
  control.SetPeer(std::make_unique<TPeer<Control, Widget>>(control, widget));
  control.Peer()->Update();
}

// The flat one-pixel frame of the platform's edits and progress bars.
constexpr Fl_Boxtype kFrameBox = FL_FREE_BOXTYPE;
constexpr TColor kFrameColor = 0x7A7A7A;

void DrawFrameBox(int x, int y, int w, int h, Fl_Color fill) {
  fl_color(fill);
  fl_rectf(x, y, w, h);
  fl_color(ToFl(kFrameColor));
  fl_rect(x, y, w, h);
}

// ---------------------------------------------------------------------------------------
// Widgets

class TLabelWidget : public Fl_Box {
 public:
  TLabelWidget() : Fl_Box(0, 0, 1, 1) {}
  void Sync(TLabel& label) {
    copy_label(label.Caption().c_str());
    box(label.ParentColor() ? FL_NO_BOX : FL_FLAT_BOX);
    const Fl_Align side = label.Alignment() == TAlignment::RightJustify ? FL_ALIGN_RIGHT
                          : label.Alignment() == TAlignment::Center     ? FL_ALIGN_CENTER
                                                                        : FL_ALIGN_LEFT;
    // Labels size themselves to their text, so a caption wider than its box is not cut.
    align(side | FL_ALIGN_INSIDE);
  }
};

class TEditWidget : public Fl_Input {
 public:
  explicit TEditWidget(TEdit& edit) : Fl_Input(0, 0, 1, 1), edit_(edit) {
    box(kFrameBox);
    when(FL_WHEN_CHANGED);
    callback(
        [](Fl_Widget* w, void*) {
          auto* self = static_cast<TEditWidget*>(w);
          Dispatch([self] { self->edit_.EditedByUser(self->value()); });
        },
        nullptr);
  }
  void Sync(TEdit& edit) {
    textfont(FontFor(edit.Font()));
    textsize(edit.Font().height);
    textcolor(ToFl(edit.Font().color));
    color(FL_WHITE);
    if (edit.Text() != value()) {
      // Keep the caret where the user left it when upper case or the limit changed the text.
      const int pos = std::min(position(), static_cast<int>(edit.Text().size()));
      value(edit.Text().c_str());
      position(pos);
    }
  }

 private:
  TEdit& edit_;
};

// Radio buttons and check boxes, drawn as the platform draws them: a small round or square
// box with a dot or a tick, the caption beside it.
constexpr int kOptionBox = 13;
constexpr TColor kOptionEdge = 0x333333;

class TOptionWidget : public Fl_Button {
 public:
  explicit TOptionWidget(bool round) : Fl_Button(0, 0, 1, 1), round_(round) {
    type(round ? FL_RADIO_BUTTON : FL_TOGGLE_BUTTON);
    box(FL_FLAT_BOX);
  }
  template <typename Control>
  void Sync(Control& control) {
    copy_label(control.Caption().c_str());
    value(control.Checked() ? 1 : 0);
  }

  void draw() override {
    fl_color(color());
    fl_rectf(x(), y(), w(), h());
    const int bx = x() + 1;
    const int by = y() + (h() - kOptionBox) / 2;
    const Fl_Color edge = active_r() ? ToFl(kOptionEdge) : fl_rgb_color(0xBC, 0xBC, 0xBC);
    if (round_) {
      fl_color(FL_WHITE);
      fl_pie(bx, by, kOptionBox, kOptionBox, 0, 360);
      fl_color(edge);
      fl_arc(bx, by, kOptionBox, kOptionBox, 0, 360);
      if (value())
        fl_pie(bx + 3, by + 3, kOptionBox - 6, kOptionBox - 6, 0, 360);
    } else {
      fl_color(FL_WHITE);
      fl_rectf(bx, by, kOptionBox, kOptionBox);
      fl_color(edge);
      fl_rect(bx, by, kOptionBox, kOptionBox);
      if (value()) {
        fl_line_style(FL_SOLID | FL_CAP_ROUND, 2);
        fl_line(bx + 3, by + 6, bx + 5, by + 9, bx + 10, by + 3);
        fl_line_style(0);
      }
    }
    const int tx = bx + kOptionBox + 4;
    fl_font(labelfont(), labelsize());
    fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
    fl_draw(label(), tx, y(), w() - (tx - x()), h(), FL_ALIGN_LEFT | FL_ALIGN_CLIP, nullptr, 0);
    if (Fl::focus() == this) {
      int tw = 0, th = 0;
      fl_measure(label(), tw, th, 0);
      fl_color(labelcolor());
      fl_line_style(FL_DOT);
      fl_rect(tx - 1, y(), std::min(tw + 2, w() - (tx - x())), h());
      fl_line_style(0);
    }
  }

 private:
  bool round_;
};

class TProgressWidget : public Fl_Widget {
 public:
  TProgressWidget() : Fl_Widget(0, 0, 1, 1) {}
  void Sync(TProgressBar& bar) {
    fraction_ = bar.Fraction();
    redraw();
  }
  void draw() override {
    DrawFrameBox(x(), y(), w(), h(), fl_rgb_color(0xE6, 0xE6, 0xE6));
    const int filled = static_cast<int>((w() - 2) * fraction_);
    if (filled > 0) {
      fl_color(fl_rgb_color(0x06, 0xB0, 0x25));
      fl_rectf(x() + 1, y() + 1, filled, h() - 2);
    }
  }

 private:
  double fraction_ = 0;
};

class TImageWidget : public Fl_Widget {
 public:
  explicit TImageWidget(TImage& image) : Fl_Widget(0, 0, 1, 1), image_(image) {}
  void Sync(TImage&) {
    scaled_.reset();
    redraw();
  }
  void draw() override {
    const TPicture& picture = image_.Picture();
    if (picture.Empty())
      return;
    const TRect r = image_.DrawRect();
    if (!scaled_) {
      Fl_RGB_Image source(picture.Pixels().data(), picture.Width(), picture.Height(),
                          picture.Depth());
      scaled_.reset(static_cast<Fl_RGB_Image*>(source.copy(r.width, r.height)));
    }
    fl_push_clip(x(), y(), w(), h());
    scaled_->draw(x() + r.left, y() + r.top);
    fl_pop_clip();
  }

 private:
  TImage& image_;
  std::unique_ptr<Fl_RGB_Image> scaled_;
};

TColor Blend(TColor from, TColor to, double t) {
  auto channel = [&](int shift) {
    const double a = (from >> shift) & 0xFF;
    const double b = (to >> shift) & 0xFF;
    return static_cast<TColor>(a + (b - a) * t + 0.5) << shift;
  };
  return channel(16) | channel(8) | channel(0);
}

void DrawGradient(const TGradient& g, int x, int y, int w, int h) {
  const bool vertical = g.direction == TGradientDirection::Vertical;
  const int steps = vertical ? h : w;
  for (int i = 0; i < steps; ++i) {
    const double t = steps > 1 ? static_cast<double>(i) / (steps - 1) : 0;
    fl_color(ToFl(Blend(g.from, g.to, t)));
    if (vertical)
      fl_xyline(x, y + i, x + w - 1);
    else
      fl_yxline(x + i, y, y + h - 1);
  }
}

class TGlowWidget : public Fl_Widget {
 public:
  explicit TGlowWidget(TGlowButton& button) : Fl_Widget(0, 0, 1, 1), button_(button) {}
  void Sync(TGlowButton& button) { copy_label(button.Caption().c_str()); }

  void draw() override {
    const TGlowColors& colors = button_.StateColors(button_.State());
    const int upper = h() / 2;
    DrawGradient(colors.upper, x(), y(), w(), upper);
    DrawGradient(colors.lower, x(), y() + upper, w(), h() - upper);
    if (colors.border) {
      fl_color(ToFl(*colors.border));
      fl_rect(x(), y(), w(), h());
    }
    // The caption keeps the colour of its font; a disabled button greys it.
    fl_font(labelfont(), labelsize());
    fl_color(button_.Enabled() ? labelcolor() : fl_rgb_color(0x80, 0x80, 0x80));
    fl_draw(label(), x(), y(), w(), h(), FL_ALIGN_CENTER, nullptr, 0);
    if (Fl::focus() == this) {
      fl_color(labelcolor());
      fl_line_style(FL_DOT);
      fl_rect(x() + 3, y() + 3, w() - 6, h() - 6);
      fl_line_style(0);
    }
  }

  int handle(int event) override {
    switch (event) {
      case FL_ENTER:
        button_.SetHot(true);
        return 1;
      case FL_LEAVE:
        button_.SetHot(false);
        return 1;
      case FL_PUSH:
        if (Fl::visible_focus())
          take_focus();
        button_.SetPressed(true);
        return 1;
      case FL_DRAG:
        button_.SetPressed(Fl::event_inside(this));
        return 1;
      case FL_RELEASE: {
        const bool inside = Fl::event_inside(this);
        button_.SetPressed(false);
        if (inside)
          Dispatch([this] { button_.Click(); });
        return 1;
      }
      case FL_FOCUS:
      case FL_UNFOCUS:
        redraw();
        return 1;
      case FL_KEYBOARD:
        if (Fl::event_key() == ' ' || Fl::event_key() == FL_Enter) {
          Dispatch([this] { button_.Click(); });
          return 1;
        }
        return 0;
      default:
        return Fl_Widget::handle(event);
    }
  }

 private:
  TGlowButton& button_;
};

// The page control shows only the pages whose tab is shown: a page whose tab is hidden has
// no widget at all, so neither the mouse nor the keyboard can reach it.
class TTabsWidget : public Fl_Tabs {
 public:
  explicit TTabsWidget(TPageControl& pc) : Fl_Tabs(0, 0, 1, 1), pc_(pc) {
    callback(
        [](Fl_Widget* w, void*) {
          auto* self = static_cast<TTabsWidget*>(w);
          Dispatch([self] { self->PageChosen(); });
        },
        nullptr);
  }
  void Sync(TPageControl& pc) {
    box(FL_THIN_UP_BOX);
    selection_color(FL_WHITE);
    for (size_t i = 0; i < pages_.size(); ++i) {
      if (pages_[i].first == pc.ActivePage()) {
        value(pages_[i].second);
        return;
      }
    }
  }
  void AddPage(TTabSheet* page, Fl_Group* group) { pages_.emplace_back(page, group); }

 private:
  void PageChosen() {
    const auto tabs = pc_.VisibleTabs();
    for (size_t i = 0; i < pages_.size(); ++i) {
      if (pages_[i].second != value())
        continue;
      const auto at = std::find(tabs.begin(), tabs.end(), pages_[i].first);
      if (at != tabs.end())
        pc_.ClickTab(static_cast<int>(at - tabs.begin()));
    }
  }

  TPageControl& pc_;
  std::vector<std::pair<TTabSheet*, Fl_Group*>> pages_;
};

class TPageWidget : public Fl_Group {
 public:
  TPageWidget() : Fl_Group(0, 0, 1, 1) { end(); }
  void Sync(TTabSheet& page) {
    copy_label(page.Caption().c_str());
    box(FL_FLAT_BOX);
  }
};

// ---------------------------------------------------------------------------------------
// Building a form's widgets

// Children are added in screen order for the ones the Tab key skips, then in tab order, as
// the toolkit moves the focus in the order of its children.
std::vector<TControl*> CreationOrder(const TWinControl& container) {
  std::vector<TControl*> order;
  for (const auto& child : container.Children()) {
    if (!child->TabStop())
      order.push_back(child.get());
  }
  for (TControl* child : container.TabList())
    order.push_back(child);
  return order;
}

void BuildChildren(TWinControl& container);

void BuildPageControl(TPageControl& pc) {
  auto* tabs = new TTabsWidget(pc);
  for (TTabSheet* page : pc.Pages()) {
    if (!page->TabVisible())
      continue;
    auto* group = new TPageWidget();  // joins the tabs, the group being built
    tabs->AddPage(page, group);
    Attach(*page, *group);
    // Fl_Tabs shows one page at a time; the control's own visibility stays as it is.
    group->begin();
    BuildChildren(*page);
    group->end();
  }
  tabs->end();
  Attach(pc, *tabs);
}

void BuildControl(TControl& control) {
  if (auto* pc = dynamic_cast<TPageControl*>(&control)) {
    BuildPageControl(*pc);
  } else if (auto* label = dynamic_cast<TLabel*>(&control)) {
    Attach(*label, *new TLabelWidget());
  } else if (auto* edit = dynamic_cast<TEdit*>(&control)) {
    Attach(*edit, *new TEditWidget(*edit));
  } else if (auto* radio = dynamic_cast<TRadioButton*>(&control)) {
    auto* widget = new TOptionWidget(true);
    widget->callback(
        [](Fl_Widget*, void* data) {
          auto* control = static_cast<TRadioButton*>(data);
          Dispatch([control] { control->Click(); });
          // The widget shows what the control decided, whatever the toolkit did on its own.
          if (control->Peer())
            control->Peer()->Update();
        },
        radio);
    Attach(*radio, *widget);
  } else if (auto* check = dynamic_cast<TCheckBox*>(&control)) {
    auto* widget = new TOptionWidget(false);
    widget->callback(
        [](Fl_Widget* w, void* data) {
          const bool value = static_cast<Fl_Button*>(w)->value() != 0;
          auto* control = static_cast<TCheckBox*>(data);
          Dispatch([control, value] { control->SetChecked(value); });
          if (control->Peer())
            control->Peer()->Update();
        },
        check);
    Attach(*check, *widget);
  } else if (auto* bar = dynamic_cast<TProgressBar*>(&control)) {
    Attach(*bar, *new TProgressWidget());
  } else if (auto* image = dynamic_cast<TImage*>(&control)) {
    Attach(*image, *new TImageWidget(*image));
  } else if (auto* button = dynamic_cast<TGlowButton*>(&control)) {
    Attach(*button, *new TGlowWidget(*button));
  }
}

void BuildChildren(TWinControl& container) {
  for (TControl* child : CreationOrder(container))
    BuildControl(*child);
}

// Only the system menu and the close box in the title bar, as the form asks: the window
// manager reads the Motif hints for that.
void SetTitleBarButtons(Fl_Window& window, const TForm& form) {
  if (!fl_display || !fl_xid(&window))
    return;
  constexpr long kFunctions = 1L << 0;
  constexpr long kDecorations = 1L << 1;
  constexpr long kFuncResize = 1L << 1, kFuncMove = 1L << 2, kFuncMinimize = 1L << 3,
                 kFuncMaximize = 1L << 4, kFuncClose = 1L << 5;
  constexpr long kDecorBorder = 1L << 1, kDecorResize = 1L << 2, kDecorTitle = 1L << 3,
                 kDecorMenu = 1L << 4, kDecorMinimize = 1L << 5, kDecorMaximize = 1L << 6;
  long functions = kFuncMove | kFuncClose;
  long decorations = kDecorBorder | kDecorTitle | kDecorMenu;
  if (form.Resizable()) {
    functions |= kFuncResize;
    decorations |= kDecorResize;
  }
  if (form.MinimizeBox()) {
    functions |= kFuncMinimize;
    decorations |= kDecorMinimize;
  }
  if (form.MaximizeBox()) {
    functions |= kFuncMaximize;
    decorations |= kDecorMaximize;
  }
  long hints[5] = {kFunctions | kDecorations, functions, decorations, 0, 0};
  Atom atom = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(fl_display, fl_xid(&window), atom, atom, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(hints), 5);
}

// The toolkit writes the caption's UTF-8 bytes into WM_NAME, whose type STRING means Latin-1,
// so tools that read that property see "InstalaÃ§Ã£o". The caption goes in again through
// Xlib's own conversion: Latin-1 when every character has one, compound text otherwise.
void SetWindowName(Fl_Window& window, const std::string& caption) {
  if (!fl_display || !fl_xid(&window))
    return;
  char* list[] = {const_cast<char*>(caption.c_str())};
  XTextProperty property{};
  if (Xutf8TextListToTextProperty(fl_display, list, 1, XStdICCTextStyle, &property) < Success)
    return;
  XSetWMName(fl_display, fl_xid(&window), &property);
  XFree(property.value);
}

class TFormWindow : public Fl_Double_Window {
 public:
  explicit TFormWindow(TForm& form) : Fl_Double_Window(form.Width(), form.Height()), form_(form) {
    callback(
        [](Fl_Widget* w, void*) {
          // The toolkit also closes windows on Escape; the platform's windows close by their
          // close box only.
          if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape)
            return;
          auto* self = static_cast<TFormWindow*>(w);
          Dispatch([self] { self->form_.Close(); });
        },
        nullptr);
  }
  void Sync(TForm& form) {
    if (!label() || form.Caption() != label()) {
      copy_label(form.Caption().c_str());
      SetWindowName(*this, form.Caption());
    }
    if (!form.Resizable())
      size_range(form.Width(), form.Height(), form.Width(), form.Height());
    if (form.Closed())
      hide();
  }

 private:
  TForm& form_;
};

// The form's own peer: the window is placed by the form's position, not by the parent chain.
class TFormPeer : public TControlPeer {
 public:
  TFormPeer(TForm& form, TFormWindow& window) : form_(form), window_(window) {}
  void Update() override {
    window_.color(ToFl(form_.Color()));
    window_.Sync(form_);
  }

 private:
  TForm& form_;
  TFormWindow& window_;
};

// ---------------------------------------------------------------------------------------
// Message boxes

constexpr int kBoxMaxTextWidth = 420;
constexpr int kBoxMargin = 16;
constexpr int kBoxIconSize = 32;
constexpr int kBoxButtonW = 75;
constexpr int kBoxButtonH = 23;

// The error icon: a red disc with a white cross.
class TErrorIcon : public Fl_Widget {
 public:
  TErrorIcon(int x, int y) : Fl_Widget(x, y, kBoxIconSize, kBoxIconSize) {}
  void draw() override {
    fl_color(fl_rgb_color(0xE8, 0x11, 0x23));
    fl_pie(x(), y(), w(), h(), 0, 360);
    fl_color(FL_WHITE);
    fl_line_style(FL_SOLID | FL_CAP_ROUND, 3);
    const int m = w() / 3;
    fl_line(x() + m, y() + m, x() + w() - m, y() + h() - m);
    fl_line(x() + w() - m, y() + m, x() + m, y() + h() - m);
    fl_line_style(0);
  }
};

// The platform's push button of dialogs: a light face with a thin border, blue when focused.
class TDialogButton : public Fl_Button {
 public:
  TDialogButton(int x, int y, int w, int h, const char* label) : Fl_Button(x, y, w, h, label) {}
  void draw() override {
    const bool pressed = value() != 0;
    fl_color(pressed ? fl_rgb_color(0xCC, 0xE4, 0xF7) : fl_rgb_color(0xE1, 0xE1, 0xE1));
    fl_rectf(x(), y(), w(), h());
    fl_color(Fl::focus() == this || pressed ? fl_rgb_color(0x00, 0x78, 0xD7)
                                            : fl_rgb_color(0xAD, 0xAD, 0xAD));
    fl_rect(x(), y(), w(), h());
    fl_font(labelfont(), labelsize());
    fl_color(FL_BLACK);
    fl_draw(label(), x(), y(), w(), h(), FL_ALIGN_CENTER, nullptr, 0);
  }
};

void ShowBox(const std::string& caption, const std::string& text, bool errorIcon) {
  fl_open_display();
  const TFont font;  // the platform's message font
  fl_font(FontFor(font), font.height);
  int textW = kBoxMaxTextWidth;
  int textH = 0;
  fl_measure(text.c_str(), textW, textH, 0);
  textW = std::min(std::max(textW, 60), kBoxMaxTextWidth);
  const int iconW = errorIcon ? kBoxIconSize + kBoxMargin : 0;
  const int bodyH = std::max(textH, errorIcon ? kBoxIconSize : 0);
  const int w = std::max(kBoxMargin * 2 + iconW + textW, kBoxButtonW + 2 * kBoxMargin);
  const int h = kBoxMargin * 3 + bodyH + kBoxButtonH + 8;

  Fl_Double_Window box(w, h);
  box.copy_label(caption.c_str());
  box.color(FL_WHITE);
  if (errorIcon)
    new TErrorIcon(kBoxMargin, kBoxMargin);
  // A label inside its box keeps 3 pixels clear on each side; the box is that much wider.
  auto* message = new Fl_Box(kBoxMargin + iconW - 3, kBoxMargin, textW + 6, bodyH);
  message->copy_label(text.c_str());
  message->labeltype(kPlainLabel);
  message->labelfont(FontFor(font));
  message->labelsize(font.height);
  message->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  // The button strip at the foot, in the platform's face colour, with OK on the right.
  auto* strip = new Fl_Box(0, h - kBoxButtonH - 2 * 8, w, kBoxButtonH + 2 * 8);
  strip->box(FL_FLAT_BOX);
  strip->color(ToFl(clBtnFace));
  auto* ok = new TDialogButton(w - kBoxMargin - kBoxButtonW, h - kBoxButtonH - 8, kBoxButtonW,
                               kBoxButtonH, "OK");
  ok->labelfont(FontFor(font));
  ok->labelsize(font.height);
  ok->shortcut(FL_Enter);
  ok->callback([](Fl_Widget* b, void*) { b->window()->hide(); });
  box.end();
  box.set_modal();
  int sx = 0, sy = 0, sw = 0, sh = 0;
  Fl::screen_xywh(sx, sy, sw, sh, 0);
  box.position(sx + (sw - w) / 2, sy + (sh - h) / 2);
  box.show();
  SetWindowName(box, caption);
  while (box.shown())
    Fl::wait();
}

// ---------------------------------------------------------------------------------------

class TScreenService : public IUiService {
 public:
  TScreenService() {
    RegisterProductFonts();
    Fl::set_boxtype(
        kFrameBox, [](int x, int y, int w, int h, Fl_Color c) { DrawFrameBox(x, y, w, h, c); }, 1,
        1, 2, 2);
    Fl::set_labeltype(kPlainLabel, DrawPlainLabel, MeasurePlainLabel);
    Fl::visible_focus(1);
  }

  void ShowMessage(const std::string& caption, const std::string& text) override {
    ShowBox(caption, text, false);
  }
  void ShowError(const std::string& caption, const std::string& text) override {
    ShowBox(caption, text, true);
  }
  void ProcessMessages() override { Fl::check(); }
  void SetTitle(const std::string& title) override { title_ = title; }

  void Run(TForm& form, const std::function<void(const std::exception&)>& onError) override {
    auto handler = onError;
    g_onError = &handler;
    auto window = std::make_unique<TFormWindow>(form);
    window->begin();
    BuildChildren(form);
    window->end();
    form.SetPeer(std::make_unique<TFormPeer>(form, *window));
    form.Peer()->Update();
    std::unique_ptr<Fl_RGB_Image> icon;
    if (!form.Icon().Empty()) {
      const TPicture& picture = form.Icon();
      icon = std::make_unique<Fl_RGB_Image>(picture.Pixels().data(), picture.Width(),
                                            picture.Height(), picture.Depth());
      window->icon(icon.get());
    }
    if (form.CenterOnScreen()) {
      // There may be no window manager to place the window, so the form centres itself.
      int sx = 0, sy = 0, sw = 0, sh = 0;
      fl_open_display();
      Fl::screen_xywh(sx, sy, sw, sh, 0);
      window->position(sx + (sw - form.Width()) / 2, sy + (sh - form.Height()) / 2);
    }
    if (!form.Closed()) {
      window->show();
      SetTitleBarButtons(*window, form);
      SetWindowName(*window, form.Caption());
    }
    while (window->shown())
      Fl::wait();
    DetachPeers(form);
    g_onError = nullptr;
  }

 private:
  // The widgets go with the window; the controls must not keep pointers to them.
  static void DetachPeers(TControl& control) {
    control.SetPeer(nullptr);
    if (auto* container = dynamic_cast<TWinControl*>(&control)) {
      for (const auto& child : container->Children())
        DetachPeers(*child);
    }
  }

  std::string title_;
};

}  // namespace

std::unique_ptr<IUiService> CreateScreenService() {
  return std::make_unique<TScreenService>();
}

}  // namespace platform::ui
