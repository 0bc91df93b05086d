// Serves a 512 MiB file from nginx on 127.0.0.1 and fetches it several times with THTTPClient
// (into a file stream) and with curl, alternating, then prints the median rate of each, their
// ratio and the peak resident memory of each.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/common/BenchStats.h"
#include "bench/common/GatheringFileStream.h"
#include "net/HTTPClient.h"
#include "tests/support/Peers.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr int64_t kFileSize = 512LL * 1024 * 1024;
constexpr int kDefaultRuns = 5;

bool FetchWithClient(const std::string& url, int64_t& bytes) {
  bench::TGatheringFileStream out;
  if (!out.Open("c:\\bench\\ours.bin"))
    return false;
  net::THTTPClient client;
  client.SetOutputStream(&out);
  bool ok = client.HTTPMethod("GET", url) && client.ResultCode() == 200 && client.BodyComplete();
  bytes = out.Size();
  return out.Close() && ok;
}

bool FetchWithCurl(const std::string& url, const std::string& target, int64_t& bytes) {
  std::string output;
  int code = varelo::test::RunCommand({"curl", "-s", "-o", target, url}, &output, 600000);
  bytes = static_cast<int64_t>(std::filesystem::file_size(target));
  return code == 0;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRuns;
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
  std::vector<double> ours, curl;
  for (int run = 0; run < runs; ++run) {
    // Alternate the two so that neither always meets a warmer cache.
    int64_t bytes = 0;
    auto start = TClock::now();
    if (!FetchWithClient(url, bytes) || bytes != kFileSize) {
      std::fprintf(stderr, "THTTPClient fetch failed (%lld bytes)\n",
                   static_cast<long long>(bytes));
      return 1;
    }
    ours.push_back(bench::MegabytesPerSecond(bytes, TClock::now() - start));
    start = TClock::now();
    if (!FetchWithCurl(url, curlTarget, bytes) || bytes != kFileSize) {
      std::fprintf(stderr, "curl fetch failed (%lld bytes)\n", static_cast<long long>(bytes));
      return 1;
    }
    curl.push_back(bench::MegabytesPerSecond(bytes, TClock::now() - start));
    std::printf("run %d: THTTPClient %.0f MB/s, curl %.0f MB/s\n", run + 1, ours.back(),
                curl.back());
  }
  double oursMedian = bench::Median(ours);
  double curlMedian = bench::Median(curl);
  std::printf("http_get 512 MiB from nginx on loopback into files under %s, median of %d runs\n",
              std::filesystem::temp_directory_path().c_str(), runs);
  std::printf("  THTTPClient: %.0f MB/s\n", oursMedian);
  std::printf("  curl -s -o : %.0f MB/s\n", curlMedian);
  std::printf("  ratio (ours / curl): %.2f\n", oursMedian / curlMedian);
  // Our figure is this whole program's (the served file was written in 4 MiB blocks before);
  // curl's is the largest of the programs it waited for, which are the curl runs.
  std::printf("  peak resident memory: THTTPClient %.1f MiB, curl %.1f MiB\n",
              bench::PeakKilobytes(RUSAGE_SELF) / 1024.0,
              bench::PeakKilobytes(RUSAGE_CHILDREN) / 1024.0);
  return 0;
}
