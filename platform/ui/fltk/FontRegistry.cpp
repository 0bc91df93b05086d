#include "platform/ui/fltk/FontRegistry.h"

#include <FL/Fl.H>
#include <fontconfig/fontconfig.h>

#include <strings.h>
#include <deque>
#include <map>
#include <string>

namespace platform::ui {
namespace {

constexpr const char* kProductFontFiles[] = {
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/wine/fonts/tahomabd.ttf",
    "/usr/share/wine/fonts/ms_sans_serif.ttf",
};
constexpr const char* kFallbackFamily = "sans";

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

}  // namespace

void TFontRegistry::RegisterProductFonts() {
  FcInit();
  for (const char* file : kProductFontFiles)
    FcConfigAppFontAddFile(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(file));
}

Fl_Font TFontRegistry::FontFor(const TFont& font) {
  // The toolkit keeps the name's pointer, so the names live in a container that never moves
  // them.
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

}  // namespace platform::ui
