#pragma once
// The fonts the window names, as the toolkit's font numbers. For the toolkit backend only.
#include "platform/ui/Control.h"

#include <FL/Enumerations.H>

namespace platform::ui {

class TFontRegistry {
 public:
  // The free clones of the two fonts the window names ship with Wine, outside fontconfig's
  // search path; the program registers them for itself at start.
  static void RegisterProductFonts();
  // The toolkit's font number for a family and weight, made on first use; a family the
  // machine lacks falls back to the toolkit's sans-serif.
  static Fl_Font FontFor(const TFont& font);
};

}  // namespace platform::ui
