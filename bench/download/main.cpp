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

#include "bench/download/ChildRun.h"
#include "download/VsDownload.h"
#include "tests/support/Peers.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int64_t kFileSize = 512LL * 1024 * 1024;
constexpr int64_t kBigSize = 2LL * 1024 * 1024 * 1024 + 4096;
constexpr int kDefaultRuns = 5;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Max(const std::vector<double>& values) {
  return *std::max_element(values.begin(), values.end());
}

bool WriteServedFile(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file)
    return false;
  std::string block(4 * 1024 * 1024, '\0');
  for (size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<char>((i * 131 + i / 4099) & 0xff);
  bool ok = true;
  for (int64_t written = 0; ok && written < kFileSize; written += block.size())
    ok = std::fwrite(block.data(), 1, block.size(), file) == block.size();
  return std::fclose(file) == 0 && ok;
}

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

struct TFigures {
  std::vector<double> rates;
  std::vector<double> peaks;
};

bool Measure(const std::vector<std::string>& argv, const std::string& target, int64_t size,
             TFigures& figures) {
  std::filesystem::remove(target);
  const bench::TChildResult r = bench::RunChild(argv);
  std::error_code ec;
  const auto got = std::filesystem::file_size(target, ec);
  if (r.exitCode != 0 || ec || static_cast<int64_t>(got) != size) {
    std::fprintf(stderr, "%s failed (exit %d, %lld bytes)\n", argv[0].c_str(), r.exitCode,
                 ec ? -1LL : static_cast<long long>(got));
    return false;
  }
  figures.rates.push_back(static_cast<double>(size) / (1024.0 * 1024.0) / r.seconds);
  figures.peaks.push_back(static_cast<double>(r.peakKiB) / 1024.0);
  std::filesystem::remove(target);
  return true;
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
  // Served and fetched files live in memory when the machine has a memory file system, so the
  // figures compare the transfers rather than the disk's write-back.
  if (std::filesystem::is_directory("/dev/shm"))
    setenv("TMPDIR", "/dev/shm", 1);
  varelo::test::TNginx nginx;
  if (!nginx.Started()) {
    std::fprintf(stderr, "nginx did not start:\n%s\n", nginx.Log().c_str());
    return 1;
  }
  varelo::test::TTempPrefix prefix;  // the children inherit WINEPREFIX
  const std::string folder = prefix.Drive('c') + "/bench";
  std::filesystem::create_directories(folder);
  if (!WriteServedFile(nginx.Root() + "/big.bin")) {
    std::fprintf(stderr, "could not write the served file\n");
    return 1;
  }
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  auto compare = [&](const std::string& name, int64_t size, int count) {
    const std::string url = nginx.Url("/" + name);
    TFigures ours, curl;
    for (int run = 0; run < count; ++run) {
      // Alternate the two so that neither always meets a warmer cache.
      if (!Measure({self, "--fetch", url}, folder + "/" + name, size, ours) ||
          !Measure({"curl", "-s", "-o", folder + "/curl-" + name, url}, folder + "/curl-" + name,
                   size, curl)) {
        return false;
      }
      std::printf("run %d: TVsDownload %.0f MB/s (%.1f MiB peak), curl %.0f MB/s (%.1f MiB peak)\n",
                  run + 1, ours.rates.back(), ours.peaks.back(), curl.rates.back(),
                  curl.peaks.back());
    }
    std::printf("download %s (%.0f MiB) from nginx on loopback into %s, median of %d runs\n",
                name.c_str(), static_cast<double>(size) / 1048576.0, folder.c_str(), count);
    std::printf("  TVsDownload: %.0f MB/s, peak resident memory %.1f MiB\n", Median(ours.rates),
                Max(ours.peaks));
    std::printf("  curl -s -o : %.0f MB/s, peak resident memory %.1f MiB\n", Median(curl.rates),
                Max(curl.peaks));
    std::printf("  ratio (ours / curl): %.2f\n", Median(ours.rates) / Median(curl.rates));
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
