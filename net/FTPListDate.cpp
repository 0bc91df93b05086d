#include "net/FTPListDate.h"

#include <string>

namespace net {
namespace {

// A number of one or two digits; -1 otherwise.
int SmallNumber(std::string_view text) {
  if (text.empty() || text.size() > 2)
    return -1;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12)
    return 0;
  if (month == 2 && IsLeapYear(year))
    return 29;
  return kDays[month - 1];
}

int64_t DaysFromCivil(int year, int month, int day) {
  const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 25569;  // 1970-01-01 is day 25569
}

TListCivilDate CivilFromDays(int64_t days) {
  const int64_t z = days - 25569 + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  TListCivilDate date;
  date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  date.year = static_cast<int>(yoe + era * 400 + (date.month <= 2 ? 1 : 0));
  return date;
}

double EncodeListDateTime(int year, int month, int day, int64_t secondsOfDay) {
  return static_cast<double>(DaysFromCivil(year, month, day)) +
         static_cast<double>(secondsOfDay) / 86400.0;
}

bool IsValidListDate(int year, int month, int day) {
  if (year < kMinListYear || year > kMaxListYear)
    return false;
  return day >= 1 && day <= DaysInMonth(year, month);
}

bool ParseListTimeOfDay(std::string_view text, int& hour, int& minute, int& second) {
  const size_t lastColon = text.rfind(':');
  if (lastColon == std::string_view::npos)
    return false;
  if (text.size() - lastColon - 1 > 2)
    text = text.substr(0, lastColon + 3);
  const size_t firstColon = text.find(':');
  const int h = SmallNumber(text.substr(0, firstColon));
  int m = 0;
  int s = 0;
  if (firstColon == lastColon) {
    m = SmallNumber(text.substr(firstColon + 1));
  } else {
    m = SmallNumber(text.substr(firstColon + 1, lastColon - firstColon - 1));
    s = SmallNumber(text.substr(lastColon + 1));
  }
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
    return false;
  hour = h;
  minute = m;
  second = s;
  return true;
}

}  // namespace net
