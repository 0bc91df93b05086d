// Fetches a 512 MiB file from an FTP server on 127.0.0.1 with the download component
// (TVsDownload, protFTP) and with curl, alternating, each in a child process of its own:
// prints the median rate of each, their ratio and the peak resident memory of each. The
// server is vsftpd by default (the faster of the two on loopback); "--pyftpdlib" takes
// pyftpdlib instead. A number sets the runs (5 by default).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/download/ChildRun.h"
#include "download/VsDownload.h"
#include "tests/support/Peers.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int64_t kFileSize = 512LL * 1024 * 1024;
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
int FetchInChild(const std::string& port, const std::string& path) {
  download::TVsDownload component;
  component.SetProtocolo(download::protFTP);
  component.SetSizeRecvBuffer(65536);
  component.FTP().FtpHost = "127.0.0.1";
  component.FTP().FtpPort = port;
  component.FTP().FtpUser = "anonymous";
  component.FTP().FtpPass = "bench@";
  component.FTP().FtpTimeout = 30000;
  component.SetDownloadUrl("ftp://127.0.0.1" + path);
  component.SetDownloadDest("C:\\bench\\");
  component.StartDownload();
  return 0;
}

struct TFigures {
  std::vector<double> rates;
  std::vector<double> peaks;
};

bool Measure(const std::vector<std::string>& argv, const std::string& target, TFigures& figures) {
  std::filesystem::remove(target);
  const bench::TChildResult r = bench::RunChild(argv);
  std::error_code ec;
  const auto got = std::filesystem::file_size(target, ec);
  if (r.exitCode != 0 || ec || static_cast<int64_t>(got) != kFileSize) {
    std::fprintf(stderr, "%s failed (exit %d, %lld bytes)\n", argv[0].c_str(), r.exitCode,
                 ec ? -1LL : static_cast<long long>(got));
    return false;
  }
  figures.rates.push_back(static_cast<double>(kFileSize) / (1024.0 * 1024.0) / r.seconds);
  figures.peaks.push_back(static_cast<double>(r.peakKiB) / 1024.0);
  std::filesystem::remove(target);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--fetch") == 0)
    return FetchInChild(argv[2], argv[3]);
  int runs = kDefaultRuns;
  bool pyftpdlib = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--pyftpdlib") == 0)
      pyftpdlib = true;
    else
      runs = std::max(1, std::atoi(argv[i]));
  }
  // Served and fetched files live in memory when the machine has a memory file system, so the
  // figures compare the transfers rather than the disk's write-back.
  if (std::filesystem::is_directory("/dev/shm"))
    setenv("TMPDIR", "/dev/shm", 1);
  std::unique_ptr<varelo::test::TPyFtpd> py;
  std::unique_ptr<varelo::test::TVsftpd> vs;
  std::string root, log, name;
  int port = 0;
  bool started = false;
  if (pyftpdlib) {
    py = std::make_unique<varelo::test::TPyFtpd>();
    started = py->Started();
    root = py->Root();
    port = py->Port();
    log = py->Log();
    name = "pyftpdlib";
  } else {
    vs = std::make_unique<varelo::test::TVsftpd>();
    started = vs->Started();
    root = vs->Root();
    port = vs->Port();
    log = vs->Log();
    name = "vsftpd";
  }
  if (!started) {
    std::fprintf(stderr, "%s did not start:\n%s\n", name.c_str(), log.c_str());
    return 1;
  }
  varelo::test::TTempPrefix prefix;  // the children inherit WINEPREFIX
  const std::string folder = prefix.Drive('c') + "/bench";
  std::filesystem::create_directories(folder);
  if (!WriteServedFile(root + "/big.bin")) {
    std::fprintf(stderr, "could not write the served file\n");
    return 1;
  }
  // vsftpd run as the launching user keeps the real root: our client names the file by its
  // real path, curl relative to the login folder (the served root) - the same file.
  const std::string ourPath = pyftpdlib ? "/big.bin" : root + "/big.bin";
  const std::string curlUrl = "ftp://127.0.0.1:" + std::to_string(port) + "/big.bin";
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  TFigures ours, curl;
  for (int run = 0; run < runs; ++run) {
    // Alternate the two so that neither always meets a warmer cache.
    if (!Measure({self, "--fetch", std::to_string(port), ourPath}, folder + "/big.bin", ours) ||
        !Measure({"curl", "-s", "-o", folder + "/curl-big.bin", curlUrl}, folder + "/curl-big.bin",
                 curl)) {
      return 1;
    }
    std::printf("run %d: TVsDownload %.0f MB/s (%.1f MiB peak), curl %.0f MB/s (%.1f MiB peak)\n",
                run + 1, ours.rates.back(), ours.peaks.back(), curl.rates.back(),
                curl.peaks.back());
  }
  std::printf("FTP download of big.bin (512 MiB) from %s on loopback into %s, median of %d runs\n",
              name.c_str(), folder.c_str(), runs);
  std::printf("  TVsDownload (protFTP): %.0f MB/s, peak resident memory %.1f MiB\n",
              Median(ours.rates), Max(ours.peaks));
  std::printf("  curl -s -o           : %.0f MB/s, peak resident memory %.1f MiB\n",
              Median(curl.rates), Max(curl.peaks));
  std::printf("  ratio (ours / curl): %.2f\n", Median(ours.rates) / Median(curl.rates));
  return 0;
}
