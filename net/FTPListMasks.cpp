#include "net/FTPListMasks.h"

#include <cstdint>

#include "platform/Locale.h"

namespace net {

// Two layouts appear twice; the order is kept as it is, since the first mask that matches
// decides how a line is read.
const char* const kFTPListMasks[kFTPListMaskCount] = {
    "pppppppppp $!!!S*$TTT$DD$hh:mm:ss$YYYY$n*",
    "pppppppppp $!!!S*$DD$TTT$hh:mm:ss$YYYY$n*",
    "pppppppppp $!!!S*$TTT$DD$UUUUU$n*",
    "pppppppppp $!!!S*$DD$TTT$UUUUU$n*",
    "pppppppppp $!!S*$TTT$DD$UUUUU$n*",
    "pppppppppp $!S*$TTT$DD$UUUUU$n*",
    "d            $!S*$TTT$DD$UUUUU$n*",
    "MM DD YY  hh mmH !S* n*",
    "MM DD YY  hh mmH $ d!n*",
    "MM DD YYYY  hh mmH !S* n*",
    "MM DD YYYY  hh mmH $ d!n*",
    "DD MM YYYY  hh mmH !S* n*",
    "DD MM YYYY  hh mmH $ d!n*",
    "v*$  DD TTT YYYY hh mm",
    "v*$DD TTT YYYY hh mm ss",
    "v*$D TTT YYYY hh mm",
    "v*$!DD TTT YYYY hh mm ss",
    "v*\\$!DD TTT YYYY hh mm ss",
    "v*$!D TTT YYYY hh mm ss",
    "v*\\$!D TTT YYYY hh mm ss",
    "v*$!D TTT YYYY hh mm ss",
    "n*$                 YYYY MM DD hh mm$S*",
    "v*$!DD TTT YYYY hh mm",
    "$!: :n*",
    "!S*$MM DD YY hh mm ss !n*",
    "!S*$DD MM YY hh mm ss !n*",
    "n*!S*$MM DD YY hh mm ss d",
    "n*!S*$DD MM YY hh mm ss d",
    "$S*    TTT DD YYYY  hh mm ss $n* $ d",
    "$S*    TTT DD YYYY  hh mm ss $n*",
    "d    $S*$TTT DD YYYY  hh mm$n*",
    "d    $S*$TTT DD$hh mm$n*",
    "nnnnnnnn.nnn  dSSSSSSSSSSS MM DD YY  hh mmH",
    "-   SSSSS            YY MM DD hh mm ss  n*",
    "- d=  SSSSS  YY MM DD hh mm ss  n*",
    "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn               SSSSSSSSS MM DD YYYY hh mm",
    "n*\\x                                               SSSSSSSSS MM DD YYYY hh mm",
    "-     SSSSSSSSSSSS           d   MM DD YYYY   hh mm  n*",
    "-         YY MM DD hhmm d                        SSSSSSSSS n*",
    "nnnnnnnn                   SSSSSSS DD TTT YY hh mm ss",
    "-             YYYY MM DD                     SSSSS   d=O n*",
    "             $S* MM DD YY hh mm ss  !n*",
    "d            $S* MM DD YY           !n*",
    "ppppppp $!!!S*$TTT$DD$YYYY$n*",
    "pppppppppp                        SSSSSSSSSS DD !YYYY n*",
    "pppppppppp                        SSSSSSSSSS DD !hh mm n*",
    "pppppppppp                       SSSSSSSSSS DD MM!hh mm n*",
    "pppppppppp                       SSSSSSSSSS DD MM YYYY  n*",
    "n*.$n*$             SSSSSSSSSS            YYYY-MM-DD hh:mm:ss -",
    "nnnnnnnnnnnnnnnnn d          -          -          - YYYY-MM-DD hh:mm:ss -",
    "       dxx                                              n*",
    "n*\xC2\xA7",  // "n*" and the section sign: the name must end the line
    "nnnnnnnnnnnnnnnnn  x           SSSSSSSSSS            YYYY-MM-DD hh:mm:ss -",
    "nnnnnnnnnnnnnnnnn d          -          -          - YYYY-MM-DD hh:mm:ss -",
};

const char* const kFTPListMonthTables[kFTPListMonthTableCount][12] = {
    {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
    {"jan", "f\xE9v", "mar", "avr", "mai", "jun", "jul", "ao\xFB", "sep", "oct", "nov",
     "d\xE9"
     "c"},
    {"jan", "fev", "mar", "avr", "mai", "jun", "jul", "aou", "sep", "oct", "nov", "dec"},
    {"Jan", "Feb", "Mar", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"},
    {"Jan", "Feb", "M\xE4r", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"},
    {"Led", "\xDAno",
     "B\xF8"
     "e",
     "Dub", "Kv\xEC",
     "\xC8"
     "en",
     "\xC8"
     "ec",
     "Srp", "Z\xE1\xF8", "\xD8\xEDj", "Lis", "Pro"},
};

namespace {

const char* const kPortugueseShortMonths[12] = {"jan", "fev", "mar", "abr", "mai", "jun",
                                                "jul", "ago", "set", "out", "nov", "dez"};
const char* const kSpanishShortMonths[12] = {"ene", "feb", "mar", "abr", "may", "jun",
                                             "jul", "ago", "sep", "oct", "nov", "dic"};

}  // namespace

const char* const* SystemShortMonthNames() {
  const uint16_t language = platform::UserLocaleId() & 0x3FF;
  if (language == 0x16)  // Portuguese
    return kPortugueseShortMonths;
  if (language == 0x0A)  // Spanish
    return kSpanishShortMonths;
  return kFTPListMonthTables[0];
}

}  // namespace net
