// Our headers come first: the X11 headers define macros (None, Bool) that would clash.
#include "platform/ui/fltk/WindowHints.h"

#include "platform/ui/Form.h"

#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace platform::ui {

void TWindowHints::SetTitleBarButtons(Fl_Window& window, const TForm& form) {
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

void TWindowHints::SetWindowName(Fl_Window& window, const std::string& caption) {
  if (!fl_display || !fl_xid(&window))
    return;
  char* list[] = {const_cast<char*>(caption.c_str())};
  XTextProperty property{};
  if (Xutf8TextListToTextProperty(fl_display, list, 1, XStdICCTextStyle, &property) < Success)
    return;
  XSetWMName(fl_display, fl_xid(&window), &property);
  XFree(property.value);
}

}  // namespace platform::ui
