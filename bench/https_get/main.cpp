// Serves a 512 MiB file over https from nginx on 127.0.0.1 and fetches it several times with
// THTTPClient (into a file stream) and with curl, alternating, both checking the server's
// certificate against the same test CA; then prints the median rate of each, their ratio, the
// median TLS handshake time of each (from the TCP connect to the end of the handshake) and the
// peak resident memory of each.
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
#include "tests/support/Process.h"
#include "tests/support/TestCerts.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr int64_t kFileSize = 512LL * 1024 * 1024;
constexpr int kDefaultRuns = 5;

// The handshake is the time from the connect's report to the first bytes of the request: the
// handshake itself goes through the plug-in's own transport, not through the socket's sends.
bool FetchWithClient(const std::string& url, int64_t& bytes, double& handshakeMs) {
  bench::TGatheringFileStream out;
  if (!out.Open("c:\\bench\\ours.bin"))
    return false;
  net::THTTPClient client;
  client.SetOutputStream(&out);
  TClock::time_point connected{};
  bool measured = false;
  client.Sock().SetOnStatus([&](net::TBlockingSocket*, net::THookSocketReason reason,
                                const std::string&) {
    if (reason == net::HR_Connect) {
      connected = TClock::now();
    } else if (reason == net::HR_WriteCount && !measured) {
      measured = true;
      handshakeMs = std::chrono::duration<double, std::milli>(TClock::now() - connected).count();
    }
  });
  bool ok = client.HTTPMethod("GET", url) && client.ResultCode() == 200 && client.BodyComplete();
  if (!ok)
    std::fprintf(stderr, "%s\n", client.Sock().LastErrorDesc().c_str());
  bytes = out.Size();
  return out.Close() && ok && measured;
}

bool FetchWithCurl(const std::string& url, const std::string& caFile, const std::string& target,
                   int64_t& bytes, double& handshakeMs) {
  std::string output;
  int code = varelo::test::RunCommand({"curl", "-s", "--cacert", caFile, "-w",
                                       "%{time_connect} %{time_appconnect}", "-o", target, url},
                                      &output, 600000);
  double connect = 0, appConnect = 0;
  if (std::sscanf(output.c_str(), "%lf %lf", &connect, &appConnect) != 2)
    return false;
  handshakeMs = (appConnect - connect) * 1000.0;
  bytes = static_cast<int64_t>(std::filesystem::file_size(target));
  return code == 0;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRuns;
  // Served and fetched files live in memory when the machine has one.
  bench::PreferMemoryTempDir();
  const varelo::test::TTestCerts& certs = varelo::test::SharedTestCerts();
  if (!certs.Made()) {
    std::fprintf(stderr, "could not make the certificates:\n%s\n", certs.Log().c_str());
    return 1;
  }
  varelo::test::TTrustStore trust(certs.CaFile());
  varelo::test::TNginxTls tls;
  tls.certificateFile = certs.Cert("good");
  tls.keyFile = certs.Key("good");
  varelo::test::TNginx nginx("", &tls);
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
  // OpenSSL's one-time start-up in this process (about 10 ms) stays out of our handshake
  // figure, as curl's library start-up before its connect stays out of curl's.
  {
    net::TTCPBlockingSocket warmUp;
    warmUp.Connect("127.0.0.1", std::to_string(nginx.Port()));
    warmUp.SSLDoConnect();
    warmUp.CloseSocket();
  }
  std::vector<double> ours, curl, oursHandshake, curlHandshake;
  for (int run = 0; run < runs; ++run) {
    // Alternate the two so that neither always meets a warmer cache.
    int64_t bytes = 0;
    double handshake = 0;
    auto start = TClock::now();
    if (!FetchWithClient(url, bytes, handshake) || bytes != kFileSize) {
      std::fprintf(stderr, "THTTPClient fetch failed (%lld bytes)\n",
                   static_cast<long long>(bytes));
      return 1;
    }
    ours.push_back(bench::MegabytesPerSecond(bytes, TClock::now() - start));
    oursHandshake.push_back(handshake);
    start = TClock::now();
    if (!FetchWithCurl(url, certs.CaFile(), curlTarget, bytes, handshake) || bytes != kFileSize) {
      std::fprintf(stderr, "curl fetch failed (%lld bytes)\n", static_cast<long long>(bytes));
      return 1;
    }
    curl.push_back(bench::MegabytesPerSecond(bytes, TClock::now() - start));
    curlHandshake.push_back(handshake);
    std::printf("run %d: THTTPClient %.0f MB/s (handshake %.2f ms), curl %.0f MB/s (%.2f ms)\n",
                run + 1, ours.back(), oursHandshake.back(), curl.back(), curlHandshake.back());
  }
  double oursMedian = bench::Median(ours);
  double curlMedian = bench::Median(curl);
  std::printf("https_get 512 MiB from nginx on loopback into files under %s, median of %d runs\n",
              std::filesystem::temp_directory_path().c_str(), runs);
  std::printf("  THTTPClient: %.0f MB/s, handshake %.2f ms\n", oursMedian,
              bench::Median(oursHandshake));
  std::printf("  curl -s -o : %.0f MB/s, handshake %.2f ms\n", curlMedian,
              bench::Median(curlHandshake));
  std::printf("  ratio (ours / curl): %.2f\n", oursMedian / curlMedian);
  // Our figure is this whole program's (the served file was written in 4 MiB blocks before);
  // curl's is the largest of the programs it waited for, which are the curl runs.
  std::printf("  peak resident memory: THTTPClient %.1f MiB, curl %.1f MiB\n",
              bench::PeakKilobytes(RUSAGE_SELF) / 1024.0,
              bench::PeakKilobytes(RUSAGE_CHILDREN) / 1024.0);
  return 0;
}
