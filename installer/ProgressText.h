#pragma once
#include <cstdint>
#include <string>

// The texts the installer window shows while a package is fetched, with the user's regional
// decimal and thousands separators. Values are rounded to what the pattern shows, an exact
// half away from zero.
namespace installer {

// "0.00 KB/s": at least one integer digit and exactly two decimals.
std::string SpeedText(double kilobytesPerSecond, char decimalSeparator);
// "###,###,##0": a whole number with thousands grouping.
std::string SizeText(double value, char thousandSeparator);
// "%.2d:%.2d:%.2d" of a count of seconds.
std::string TimeText(uint16_t seconds);
// "<done> / <total> KB  -  <speed>  -  <time>", the sizes in kilobytes of 1024 bytes.
std::string ProgressLabel(int32_t bytesToDownload, int32_t bytesDownloaded, double speed,
                          uint16_t seconds, char decimalSeparator, char thousandSeparator);

}  // namespace installer
