#include "platform/Locale.h"

#include <windows.h>

namespace platform {
namespace {

// One single-character item of the user's locale; the fallback when it is longer or missing.
char LocaleChar(LCTYPE item, char fallback) {
  wchar_t value[8] = {};
  const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, value, 8);
  if (n != 2 || value[0] == 0 || value[0] > 0x7F)
    return fallback;
  return static_cast<char>(value[0]);
}

}  // namespace

char DecimalSeparator() {
  return LocaleChar(LOCALE_SDECIMAL, '.');
}

char ThousandSeparator() {
  return LocaleChar(LOCALE_STHOUSAND, ',');
}

char TimeSeparator() {
  return LocaleChar(LOCALE_STIME, ':');
}

uint16_t UserLocaleId() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) == 0)
    return 0x0409;
  const LCID id = LocaleNameToLCID(name, 0);
  return id == 0 ? 0x0409 : static_cast<uint16_t>(id);
}

}  // namespace platform
