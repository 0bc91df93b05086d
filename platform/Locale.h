#pragma once
#include <cstdint>
#include <string>

// The user's locale as the platform reports it.
namespace platform {

// Number separators from the user's LC_NUMERIC; "." and "," when the locale gives none.
char DecimalSeparator();
char ThousandSeparator();
// Time separator (":" unless the locale says otherwise).
char TimeSeparator();
// The user's locale id from LANG: pt_BR -> 0x0416, en_US -> 0x0409, ...; 0x0409 when unknown.
uint16_t UserLocaleId();

}  // namespace platform
