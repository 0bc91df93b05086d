#include "bench/common/BenchStats.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace bench {

double Median(std::vector<double> values) {
  if (values.empty())
    return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Max(const std::vector<double>& values) {
  if (values.empty())
    return 0;
  return *std::max_element(values.begin(), values.end());
}

double MegabytesPerSecond(int64_t bytes, double seconds) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds;
}

double MegabytesPerSecond(int64_t bytes, std::chrono::steady_clock::duration elapsed) {
  return MegabytesPerSecond(bytes, std::chrono::duration<double>(elapsed).count());
}

int64_t PeakKilobytes(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_maxrss;
}

bool WriteServedFile(const std::string& path, int64_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file)
    return false;
  std::string block(4 * 1024 * 1024, '\0');
  for (size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<char>((i * 131 + i / 4099) & 0xff);
  bool ok = true;
  for (int64_t written = 0; ok && written < size; written += block.size())
    ok = std::fwrite(block.data(), 1, block.size(), file) == block.size();
  return std::fclose(file) == 0 && ok;
}

void PreferMemoryTempDir() {
  if (std::filesystem::is_directory("/dev/shm"))
    setenv("TMPDIR", "/dev/shm", 1);
}

}  // namespace bench
