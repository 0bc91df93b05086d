#include "installer/ProgressText.h"

#include <cmath>
#include <cstdio>

namespace installer {
namespace {

// Rounds to a whole number, an exact half away from zero.
double RoundHalfAway(double value) {
  return value < 0 ? -std::floor(-value + 0.5) : std::floor(value + 0.5);
}

std::string GroupThousands(std::string digits, char separator) {
  std::string out;
  const size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    out += digits[i];
    const size_t left = n - 1 - i;
    if (left > 0 && left % 3 == 0)
      out += separator;
  }
  return out;
}

}  // namespace

std::string SpeedText(double kilobytesPerSecond, char decimalSeparator) {
  const double hundredths = RoundHalfAway(kilobytesPerSecond * 100.0);
  const bool negative = hundredths < 0;
  const double magnitude = std::fabs(hundredths);
  char whole[64];
  std::snprintf(whole, sizeof whole, "%.0f", std::floor(magnitude / 100.0));
  const int fraction = static_cast<int>(std::fmod(magnitude, 100.0));
  char text[96];
  std::snprintf(text, sizeof text, "%s%s%c%02d KB/s", negative ? "-" : "", whole, decimalSeparator,
                fraction);
  return text;
}

std::string SizeText(double value, char thousandSeparator) {
  const double rounded = RoundHalfAway(value);
  char digits[64];
  std::snprintf(digits, sizeof digits, "%.0f", std::fabs(rounded));
  return (rounded < 0 ? "-" : "") + GroupThousands(digits, thousandSeparator);
}

std::string TimeText(uint16_t seconds) {
  char text[16];
  std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return text;
}

std::string ProgressLabel(int32_t bytesToDownload, int32_t bytesDownloaded, double speed,
                          uint16_t seconds, char decimalSeparator, char thousandSeparator) {
  return SizeText(bytesDownloaded / 1024.0, thousandSeparator) + " / " +
         SizeText(bytesToDownload / 1024.0, thousandSeparator) + " KB  -  " +
         SpeedText(speed, decimalSeparator) + "  -  " + TimeText(seconds);
}

}  // namespace installer
