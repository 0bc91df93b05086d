// Fetches a 512 MiB file from nginx on 127.0.0.1 with the download component (TVsDownload,
// as the installer configures it) and with curl, alternating, each in a child process of its
// own: prints the median rate of each, their ratio and the peak resident memory of each. With
// --big it also fetches a 2 GiB file (sparse on the server's side) once with each, to show
// that the component's memory does not grow with the package.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/common/BenchStats.h"
#include "bench/common/FetchFigures.h"
#include "download/VsDownload.h"
#include "tests/support/Peers.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int64_t kFileSize = 512LL * 1024 * 1024;
constexpr int64_t kBigSize = 2LL * 1024 * 1024 * 1024 + 4096;
constexpr int kDefaultRuns = 5;

// The child's work: one transfer into C:\bench\ of the prefix in WINEPREFIX.
int FetchInChild(const std::string& url) {
  download::TVsDownload component;
  component.SetProtocolo(download::protHTTP);
  component.SetSizeRecvBuffer(65536);
  component.SetDownloadUrl(url);
  component.SetDownloadDest("C:\\bench\\");
  component.StartDownload();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--fetch") == 0)
    return FetchInChild(argv[2]);
  int runs = kDefaultRuns;
  bool big = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--big") == 0)
      big = true;
    else
      runs = std::max(1, std::atoi(argv[i]));
  }
  // Served and fetched files live in memory when the machine has one.
  bench::PreferMemoryTempDir();
  varelo::test::TNginx nginx;
  if (!nginx.Started()) {
    std::fprintf(stderr, "nginx did not start:\n%s\n", nginx.Log().c_str());
    return 1;
  }
  varelo::test::TTempPrefix prefix;  // the children inherit WINEPREFIX
  const std::string folder = prefix.Drive('c') + "/bench";
  std::filesystem::create_directories(folder);
  if (!bench::WriteServedFile(nginx.Root() + "/big.bin", kFileSize)) {
    std::fprintf(stderr, "could not write the served file\n");
    return 1;
  }
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  auto compare = [&](const std::string& name, int64_t size, int count) {
    const std::string url = nginx.Url("/" + name);
    bench::TFetchFigures ours, curl;
    for (int run = 0; run < count; ++run) {
      // Alternate the two so that neither always meets a warmer cache.
      if (!bench::MeasureFetch({self, "--fetch", url}, folder + "/" + name, size, ours) ||
          !bench::MeasureFetch({"curl", "-s", "-o", folder + "/curl-" + name, url},
                               folder + "/curl-" + name, size, curl)) {
        return false;
      }
      bench::PrintFetchRun(run + 1, ours, curl);
    }
    std::printf("download %s (%.0f MiB) from nginx on loopback into %s, median of %d runs\n",
                name.c_str(), static_cast<double>(size) / 1048576.0, folder.c_str(), count);
    std::printf("  TVsDownload: %.0f MB/s, peak resident memory %.1f MiB\n",
                bench::Median(ours.rates), bench::Max(ours.peaks));
    std::printf("  curl -s -o : %.0f MB/s, peak resident memory %.1f MiB\n",
                bench::Median(curl.rates), bench::Max(curl.peaks));
    std::printf("  ratio (ours / curl): %.2f\n",
                bench::Median(ours.rates) / bench::Median(curl.rates));
    return true;
  };
  if (!compare("big.bin", kFileSize, runs))
    return 1;
  if (big) {
    const std::string path = nginx.Root() + "/huge.bin";
    {
      FILE* f = std::fopen(path.c_str(), "wb");
      if (f)
        std::fclose(f);
    }
    std::filesystem::resize_file(path, kBigSize);
    if (!compare("huge.bin", kBigSize, 1))
      return 1;
  }
  return 0;
}
