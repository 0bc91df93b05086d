// Writes a Unix listing of 1,000,000 lines (fixed content, so every run sees the same text:
// files and folders, dates with a time and with a year, names with spaces and links), then
// parses it again and again, alternating: through TFTPList::ParseLines (this program run as a
// child with --parse) and awk splitting each line into its fields and printing two of them.
// Both are separate processes measured the same way (wall and CPU time, peak memory); the
// child also reports the time of ParseLines alone, from which the lines per second come.
//
//   bench_ftp_list [--runs N] [--lines N]
//   bench_ftp_list --parse LISTING REPORT   (the measured child)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/common/BenchStats.h"
#include "bench/common/ChildRun.h"
#include "net/FTPList.h"
#include "platform/DynamicLibrary.h"
#include "platform/File.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace {

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string MakeListing(int lines) {
  std::string out;
  out.reserve(static_cast<size_t>(lines) * 72);
  char line[256];
  for (int i = 0; i < lines; ++i) {
    const char* mode = i % 10 == 0 ? "drwxr-xr-x" : i % 37 == 0 ? "lrwxrwxrwx" : "-rw-r--r--";
    const char* month = kMonths[i % 12];
    const int day = i % 28 + 1;
    char when[16];
    if (i % 3 == 0)
      std::snprintf(when, sizeof when, " %04d", 2000 + i % 25);
    else
      std::snprintf(when, sizeof when, "%02d:%02d", i % 24, i % 60);
    const long long size = (static_cast<long long>(i) * 7919) % 100000000;
    if (i % 37 == 0 && i % 10 != 0)
      std::snprintf(line, sizeof line,
                    "%s   1 ftp      ftp      %10lld %s %2d %s link%07d -> target%d\r\n", mode,
                    size, month, day, when, i, i);
    else if (i % 7 == 0)
      std::snprintf(line, sizeof line,
                    "%s   1 ftp      ftp      %10lld %s %2d %s my file %07d.txt\r\n", mode, size,
                    month, day, when, i);
    else
      std::snprintf(line, sizeof line,
                    "%s   1 ftp      ftp      %10lld %s %2d %s cupom%07d.xml\r\n", mode, size,
                    month, day, when, i);
    out += line;
  }
  return out;
}

// The child: reads the listing, splits it into lines as the FTP client does, parses, and
// writes the record count and the seconds of ParseLines into the report file.
int ParseChild(const char* listingPath, const char* reportPath) {
  const std::string text = varelo::test::ReadFileBytes(listingPath);
  net::TFTPList list;
  std::vector<std::string>& lines = list.Lines();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r')
      --stop;
    lines.emplace_back(text, start, stop - start);
    start = end + 1;
  }
  const auto begin = std::chrono::steady_clock::now();
  list.ParseLines();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  const std::string report = std::to_string(list.Count()) + " " +
                             std::to_string(list.UnparsedLines().size()) + " " +
                             std::to_string(seconds) + "\n";
  varelo::test::WriteFileBytes(reportPath, report);
  return list.UnparsedLines().empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 7, lines = 1000000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--parse") == 0 && i + 2 < argc)
      return ParseChild(argv[i + 1], argv[i + 2]);
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
      runs = std::atoi(argv[++i]);
    if (std::strcmp(argv[i], "--lines") == 0 && i + 1 < argc)
      lines = std::atoi(argv[++i]);
  }
  bench::PreferMemoryTempDir();
  varelo::test::TTempDir work;
  const std::string listing = work / "listing.txt";
  const std::string report = work / "report.txt";
  varelo::test::WriteFileBytes(listing, MakeListing(lines));
  const std::string self = platform::ModulePathOf(reinterpret_cast<const void*>(&ParseChild));
  const bool haveAwk = varelo::test::HaveProgram("awk");

  std::vector<double> oursWall, oursCpu, oursParse, awkWall, awkCpu;
  int64_t oursPeak = 0, awkPeak = 0;
  long long records = 0;
  std::printf("listing: %d lines, %lld bytes; %d runs each, alternating\n", lines,
              static_cast<long long>(platform::FileSize(listing)), runs);
  for (int r = 0; r < runs; ++r) {
    const bench::TChildResult ours =
        bench::RunChild({self, "--parse", listing, report}, bench::TChildOutput::kDiscarded);
    if (ours.exitCode != 0) {
      std::fprintf(stderr, "parsing failed (exit %d)\n", ours.exitCode);
      return 1;
    }
    long long unparsed = 0;
    double parseSeconds = 0;
    if (std::sscanf(varelo::test::ReadFileBytes(report).c_str(), "%lld %lld %lf", &records,
                    &unparsed, &parseSeconds) != 3) {
      std::fprintf(stderr, "no report from the child\n");
      return 1;
    }
    oursWall.push_back(ours.seconds);
    oursCpu.push_back(ours.cpuSeconds);
    oursParse.push_back(parseSeconds);
    oursPeak = std::max(oursPeak, ours.peakKiB);
    if (!haveAwk)
      continue;
    const bench::TChildResult awk =
        bench::RunChild({"awk", "{ print $5, $9 }", listing}, bench::TChildOutput::kDiscarded);
    if (awk.exitCode != 0) {
      std::fprintf(stderr, "awk failed (exit %d)\n", awk.exitCode);
      return 1;
    }
    awkWall.push_back(awk.seconds);
    awkCpu.push_back(awk.cpuSeconds);
    awkPeak = std::max(awkPeak, awk.peakKiB);
  }
  const double parse = bench::Median(oursParse);
  std::printf("ours: %lld records; ParseLines %.1f ms = %.0f lines/s\n", records, parse * 1000,
              lines / parse);
  // The machine is shared: wall time carries the waits for a core, so the CPU time of each
  // whole run (reading the file, splitting the lines, parsing) is shown beside it.
  std::printf("%-30s wall %8.1f ms = %9.0f lines/s   cpu %8.1f ms   peak %7.1f MiB\n",
              "ours (read + split + parse)", bench::Median(oursWall) * 1000,
              lines / bench::Median(oursWall), bench::Median(oursCpu) * 1000,
              static_cast<double>(oursPeak) / 1024);
  if (!haveAwk) {
    std::printf("awk missing\n");
    return 0;
  }
  std::printf("%-30s wall %8.1f ms = %9.0f lines/s   cpu %8.1f ms   peak %7.1f MiB\n",
              "awk '{ print $5, $9 }'", bench::Median(awkWall) * 1000,
              lines / bench::Median(awkWall), bench::Median(awkCpu) * 1000,
              static_cast<double>(awkPeak) / 1024);
  std::printf("ratio awk/ours, wall %.2f, cpu %.2f (above 1: ours faster)\n",
              bench::Median(awkWall) / bench::Median(oursWall),
              bench::Median(awkCpu) / bench::Median(oursCpu));
  return 0;
}
