// One GET with THTTPClient into a file, timed inside the program: bench_http_get runs the
// Windows build of this program under Wine beside its own figures, so that the table shows what
// Wine costs the client on the same transfer.
//
//   bench_http_get_once URL TARGET SIZE TIMEFILE
//
// The seconds of the fetch are written to TIMEFILE; the exit code is 0 only when a 200 answer's
// whole body of SIZE bytes reached TARGET.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "bench/http_get/ClientFetch.h"
#include "platform/Clock.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: bench_http_get_once URL TARGET SIZE TIMEFILE\n");
    return 2;
  }
  const int64_t size = std::strtoll(argv[3], nullptr, 10);
  int64_t bytes = 0;
  const int64_t start = platform::HighResCounter();
  if (!bench::FetchWithClient(argv[1], argv[2], bytes) || bytes != size) {
    std::fprintf(stderr, "THTTPClient fetch failed (%lld bytes)\n", static_cast<long long>(bytes));
    return 1;
  }
  const double seconds = static_cast<double>(platform::HighResCounter() - start) /
                         static_cast<double>(platform::HighResFrequency());
  std::ofstream timeFile(argv[4], std::ios::trunc);
  timeFile << seconds << "\n";
  return timeFile.good() ? 0 : 1;
}
