// Serves a 512 MiB file from nginx on 127.0.0.1 and fetches it several times with THTTPClient
// (into a file stream) and with curl, alternating, then prints the median rate of each, their
// ratio and the peak resident memory of each. With --wine the Windows build's client joins the
// turns: the program bench_http_get_once of a Windows build under Wine through tools/wine-run,
// measured as a whole and by its own clock around the fetch.
//
//   bench_http_get [runs] [--wine win64|win32 PROGRAM.exe]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/common/BenchStats.h"
#include "bench/common/ChildRun.h"
#include "bench/http_get/ClientFetch.h"
#include "tests/support/Peers.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr int64_t kFileSize = 512LL * 1024 * 1024;
constexpr int kDefaultRuns = 5;

// The Windows build's program run under Wine, when asked for.
struct TWineRun {
  std::string arch;
  std::string program;
  std::vector<double> rates;       // the whole program, Wine's start and end included
  std::vector<double> innerRates;  // the program's own clock around the fetch
  bool Wanted() const { return !program.empty(); }
};

// The host path as Wine's drive Z: (the host's root) names it.
std::string WinePath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

double ReadSeconds(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr)
    return 0;
  double seconds = 0;
  if (std::fscanf(file, "%lf", &seconds) != 1)
    seconds = 0;
  std::fclose(file);
  return seconds;
}

// curl in a child process of its own, so that its peak memory is its own.
bool FetchWithCurl(const std::string& url, const std::string& target, double& peakMiB) {
  std::filesystem::remove(target);
  const bench::TChildResult r = bench::RunChild({"curl", "-s", "-o", target, url});
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(target, ec);
  peakMiB = std::max(peakMiB, static_cast<double>(r.peakKiB) / 1024.0);
  return r.exitCode == 0 && !ec && static_cast<int64_t>(bytes) == kFileSize;
}

bool FetchUnderWine(const std::string& url, const std::string& target, TWineRun& wine) {
  const std::string timeFile = target + ".seconds";
  std::filesystem::remove(timeFile);
  const bench::TChildResult r =
      bench::RunChild({WINE_RUN, wine.arch, wine.program, url, WinePath(target),
                       std::to_string(kFileSize), WinePath(timeFile)});
  const double inner = ReadSeconds(timeFile);
  std::filesystem::remove(timeFile);
  std::filesystem::remove(target);
  if (r.exitCode != 0 || inner <= 0)
    return false;
  wine.rates.push_back(bench::MegabytesPerSecond(kFileSize, r.seconds));
  wine.innerRates.push_back(bench::MegabytesPerSecond(kFileSize, inner));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = kDefaultRuns;
  TWineRun wine;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--wine") == 0 && i + 2 < argc) {
      wine.arch = argv[i + 1];
      wine.program = argv[i + 2];
      i += 2;
    } else {
      runs = std::max(1, std::atoi(argv[i]));
    }
  }
  if (wine.Wanted() && wine.arch != "win64" && wine.arch != "win32") {
    std::fprintf(stderr, "--wine takes win64 or win32, then the program\n");
    return 1;
  }
  // Served and fetched files live in memory when the machine has one.
  bench::PreferMemoryTempDir();
  varelo::test::TNginx nginx;
  if (!nginx.Started()) {
    std::fprintf(stderr, "nginx did not start:\n%s\n", nginx.Log().c_str());
    return 1;
  }
  varelo::test::TTempPrefix prefix;
  std::filesystem::create_directories(prefix.Drive('c') + "/bench");
  if (!bench::WriteServedFile(nginx.Root() + "/big.bin", kFileSize)) {
    std::fprintf(stderr, "could not write the served file\n");
    return 1;
  }
  const std::string url = nginx.Url("/big.bin");
  const std::string curlTarget = prefix.Drive('c') + "/bench/curl.bin";
  const std::string wineTarget = prefix.Drive('c') + "/bench/wine.bin";
  std::vector<double> ours, curl;
  double curlPeakMiB = 0;
  for (int run = 0; run < runs; ++run) {
    // Take turns so that none always meets a warmer cache.
    int64_t bytes = 0;
    auto start = TClock::now();
    if (!bench::FetchWithClient(url, "c:\\bench\\ours.bin", bytes) || bytes != kFileSize) {
      std::fprintf(stderr, "THTTPClient fetch failed (%lld bytes)\n",
                   static_cast<long long>(bytes));
      return 1;
    }
    ours.push_back(bench::MegabytesPerSecond(bytes, TClock::now() - start));
    start = TClock::now();
    if (!FetchWithCurl(url, curlTarget, curlPeakMiB)) {
      std::fprintf(stderr, "curl fetch failed\n");
      return 1;
    }
    curl.push_back(bench::MegabytesPerSecond(kFileSize, TClock::now() - start));
    std::printf("run %d: THTTPClient %.0f MB/s, curl %.0f MB/s", run + 1, ours.back(), curl.back());
    if (wine.Wanted()) {
      if (!FetchUnderWine(url, wineTarget, wine)) {
        std::fprintf(stderr, "\nTHTTPClient under Wine failed\n");
        return 1;
      }
      std::printf(", under Wine %.0f MB/s (%.0f MB/s inside)", wine.rates.back(),
                  wine.innerRates.back());
    }
    std::printf("\n");
  }
  double oursMedian = bench::Median(ours);
  double curlMedian = bench::Median(curl);
  std::printf("http_get 512 MiB from nginx on loopback into files under %s, median of %d runs\n",
              std::filesystem::temp_directory_path().c_str(), runs);
  std::printf("  THTTPClient: %.0f MB/s\n", oursMedian);
  std::printf("  curl -s -o : %.0f MB/s\n", curlMedian);
  std::printf("  ratio (ours / curl): %.2f\n", oursMedian / curlMedian);
  // Our figure is this whole program's (the served file was written in 4 MiB blocks before);
  // every other program's is its own child process's.
  std::printf("  peak resident memory: THTTPClient %.1f MiB, curl %.1f MiB\n",
              bench::PeakKilobytes(RUSAGE_SELF) / 1024.0, curlPeakMiB);
  // Wine runs the Windows program as a process of its own that this one does not wait for, so
  // no peak memory of it is known here.
  if (wine.Wanted()) {
    std::printf(
        "  THTTPClient under Wine (%s): %.0f MB/s for the whole program, %.0f MB/s "
        "inside it; ratio (Wine / Linux, inside): %.2f\n",
        wine.arch.c_str(), bench::Median(wine.rates), bench::Median(wine.innerRates),
        bench::Median(wine.innerRates) / oursMedian);
  }
  return 0;
}
