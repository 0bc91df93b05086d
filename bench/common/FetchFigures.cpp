#include "bench/common/FetchFigures.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "bench/common/BenchStats.h"
#include "bench/common/ChildRun.h"

namespace bench {

bool MeasureFetch(const std::vector<std::string>& argv, const std::string& target, int64_t size,
                  TFetchFigures& figures) {
  std::filesystem::remove(target);
  const TChildResult r = RunChild(argv);
  std::error_code ec;
  const auto got = std::filesystem::file_size(target, ec);
  if (r.exitCode != 0 || ec || static_cast<int64_t>(got) != size) {
    std::fprintf(stderr, "%s failed (exit %d, %lld bytes)\n", argv[0].c_str(), r.exitCode,
                 ec ? -1LL : static_cast<long long>(got));
    return false;
  }
  figures.rates.push_back(MegabytesPerSecond(size, r.seconds));
  figures.peaks.push_back(static_cast<double>(r.peakKiB) / 1024.0);
  std::filesystem::remove(target);
  return true;
}

void PrintFetchRun(int run, const TFetchFigures& ours, const TFetchFigures& curl) {
  std::printf("run %d: TVsDownload %.0f MB/s (%.1f MiB peak), curl %.0f MB/s (%.1f MiB peak)\n",
              run, ours.rates.back(), ours.peaks.back(), curl.rates.back(), curl.peaks.back());
}

}  // namespace bench
