#pragma once
#include <cstdint>
#include <string_view>

// Date arithmetic of the listing parser. A date-time is the product's: days since 1899-12-30,
// the fraction being the time of day. Only years 1 to 9999 are dates here; the helpers refuse
// anything outside them rather than computing with absurd values.
namespace net {

constexpr int kMinListYear = 1;
constexpr int kMaxListYear = 9999;

struct TListCivilDate {
  int year = 0, month = 0, day = 0;
};

bool IsLeapYear(int year);
// Days in the month (1-12) of the year; 0 for a month outside 1-12.
int DaysInMonth(int year, int month);
// Days since 1899-12-30 of a civil date (any year, month 1-12, day 1-31).
int64_t DaysFromCivil(int year, int month, int day);
// The civil date of a day number.
TListCivilDate CivilFromDays(int64_t days);
// The date-time of a valid date and a time of day given in seconds (which may pass one day).
double EncodeListDateTime(int year, int month, int day, int64_t secondsOfDay);
// True for a valid date of years kMinListYear..kMaxListYear.
bool IsValidListDate(int year, int month, int day);

// Reads a time of day "h:mm" or "h:mm:ss" (hours 0-23, minutes and seconds 0-59, one or two
// digits each). A text with more than two characters after its last ":" is cut two
// characters after it first, as servers that add fractions of seconds write it. False when the
// text is not such a time.
bool ParseListTimeOfDay(std::string_view text, int& hour, int& minute, int& second);

}  // namespace net
