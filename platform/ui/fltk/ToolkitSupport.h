#pragma once
// What the toolkit backend's widgets share: colour conversion, the plain label type and the
// flat frame box, and placing a window on the screen.
// For the toolkit backend's own sources only.
#include "platform/ui/Control.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

namespace platform::ui {

Fl_Color ToFl(TColor color);

// Captions are plain text. The toolkit's normal labels read "@name" as a drawn symbol,
// which would garble a caption or message holding an "@" (an e-mail or FTP address).
constexpr Fl_Labeltype kPlainLabel = FL_FREE_LABELTYPE;
// The flat one-pixel frame of the platform's edits and progress bars.
constexpr Fl_Boxtype kFrameBox = FL_FREE_BOXTYPE;

void DrawFrameBox(int x, int y, int w, int h, Fl_Color fill);
// Registers the label and box types above with the toolkit.
void RegisterDrawingTypes();

// Puts the window in the middle of the first screen: there may be no window manager to
// place it.
void CentreOnScreen(Fl_Window& window);

}  // namespace platform::ui
