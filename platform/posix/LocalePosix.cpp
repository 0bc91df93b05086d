#include "platform/Locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {
namespace {

// Reads one LC_NUMERIC item of the user's environment locale without touching the
// process's global locale.
char NumericItem(nl_item item, char fallback) {
  const char* name = std::getenv("LC_ALL");
  if (!name || !*name)
    name = std::getenv("LC_NUMERIC");
  if (!name || !*name)
    name = std::getenv("LANG");
  if (!name || !*name)
    return fallback;
  locale_t loc = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0));
  if (!loc)
    return fallback;
  const char* value = nl_langinfo_l(item, loc);
  const char result = value && value[0] && !value[1] ? value[0] : fallback;
  freelocale(loc);
  return result;
}

struct TLocaleId {
  const char* prefix;
  uint16_t id;
};

constexpr TLocaleId kLocaleIds[] = {
    {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"en_US", 0x0409}, {"en_GB", 0x0809}, {"es_ES", 0x0C0A},
    {"es_MX", 0x080A}, {"es_AR", 0x2C0A}, {"fr_FR", 0x040C}, {"de_DE", 0x0407}, {"it_IT", 0x0410},
    {"nl_NL", 0x0413}, {"ja_JP", 0x0411}, {"zh_CN", 0x0804}, {"ru_RU", 0x0419}, {"pl_PL", 0x0415},
    {"pt", 0x0416},    {"en", 0x0409},    {"es", 0x0C0A},    {"fr", 0x040C},    {"de", 0x0407},
};

}  // namespace

char DecimalSeparator() {
  return NumericItem(RADIXCHAR, '.');
}

char ThousandSeparator() {
  return NumericItem(THOUSEP, ',');
}

char TimeSeparator() {
  return ':';
}

uint16_t UserLocaleId() {
  const char* lang = std::getenv("LC_ALL");
  if (!lang || !*lang)
    lang = std::getenv("LANG");
  if (!lang)
    return 0x0409;
  for (const auto& l : kLocaleIds) {
    if (std::strncmp(lang, l.prefix, std::strlen(l.prefix)) == 0)
      return l.id;
  }
  return 0x0409;
}

}  // namespace platform
