// Makes an archive of 100,000 small stored entries in nested folders (fixed names, so every
// run sees the same file), then loads its directory again and again, alternating: through the
// archive component's ZipFileName (this program run as a child with --load), `unzip -l` and
// `bsdtar -tf`. Each is a separate process measured the same way; the bench prints the
// median times, our ratios and each one's peak memory.
//
//   bench_listdir [--runs N] [--entries N]
//   bench_listdir --load ARCHIVE      (the measured child: loads the directory and exits)
//   bench_listdir [--entries N] --make ARCHIVE   (only writes the archive, for profiling)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/ZipArca19.h"
#include "bench/common/BenchStats.h"
#include "bench/common/ChildRun.h"
#include "platform/DynamicLibrary.h"
#include "platform/File.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZipBuilder.h"

namespace {

// Stored entries "loja007/caixa0123/cupom000456.txt" with a short text each. More than 65,535
// entries need the Zip64 end records, whose end record then holds placeholders.
std::string MakeArchive(int entries) {
  std::vector<varelo::test::TZipItem> items;
  items.reserve(static_cast<size_t>(entries));
  for (int i = 0; i < entries; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "loja%03d/caixa%04d/cupom%06d.txt", i % 97, i % 1013, i);
    items.push_back({.name = name, .content = "cupom " + std::to_string(i) + "\r\n", .method = 0});
  }
  return varelo::test::BuildZip(items, {.zip64End = entries > 0xFFFF});
}

int LoadChild(const char* path) {
  archive::TZipArca19 zip;
  zip.Unattended = true;
  zip.SetZipFileName(path);
  std::printf("%d %d\n", zip.Count(), zip.ErrCode());
  return zip.ErrCode() == 0 && zip.Count() > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 9, entries = 100000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--load") == 0 && i + 1 < argc)
      return LoadChild(argv[i + 1]);
    if (std::strcmp(argv[i], "--make") == 0 && i + 1 < argc) {
      varelo::test::WriteFileBytes(argv[i + 1], MakeArchive(entries));
      return 0;
    }
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
      runs = std::atoi(argv[++i]);
    if (std::strcmp(argv[i], "--entries") == 0 && i + 1 < argc)
      entries = std::atoi(argv[++i]);
  }
  bench::PreferMemoryTempDir();
  varelo::test::TTempDir work;
  const std::string path = work / "lista.zip";
  varelo::test::WriteFileBytes(path, MakeArchive(entries));
  const std::string self = platform::ModulePathOf(reinterpret_cast<const void*>(&LoadChild));
  struct TTool {
    const char* name;
    std::vector<std::string> argv;
    std::vector<double> seconds;
    std::vector<double> cpu;
    int64_t peakKb = 0;
    bool present = true;
  };
  std::vector<TTool> tools = {{"ours (ZipFileName)", {self, "--load", path}, {}, {}, 0, true},
                              {"unzip -l", {"unzip", "-l", path}, {}, {}, 0, true},
                              {"bsdtar -tf", {"bsdtar", "-tf", path}, {}, {}, 0, true}};
  for (TTool& t : tools)
    t.present = t.argv[0] == self || varelo::test::HaveProgram(t.argv[0]);
  std::printf("archive: %d entries, %lld bytes; %d runs each, alternating\n", entries,
              static_cast<long long>(platform::FileSize(path)), runs);
  for (int r = 0; r < runs; ++r) {
    for (TTool& t : tools) {
      if (!t.present)
        continue;
      const bench::TChildResult run = bench::RunChild(t.argv, bench::TChildOutput::kDiscarded);
      if (run.exitCode != 0) {
        std::fprintf(stderr, "%s failed (exit %d)\n", t.name, run.exitCode);
        return 1;
      }
      t.seconds.push_back(run.seconds);
      t.cpu.push_back(run.cpuSeconds);
      t.peakKb = std::max(t.peakKb, run.peakKiB);
    }
  }
  // The machine is shared: wall time carries the waits for a core, so the CPU time (user
  // and system) of each run is shown beside it.
  const double ours = bench::Median(tools[0].seconds), oursCpu = bench::Median(tools[0].cpu);
  for (const TTool& t : tools) {
    if (!t.present) {
      std::printf("%-20s missing\n", t.name);
      continue;
    }
    const double median = bench::Median(t.seconds), cpu = bench::Median(t.cpu);
    std::printf(
        "%-20s wall %8.2f ms (ours %.2fx faster)   cpu %8.2f ms (ours %.2fx)   peak %6.1f MiB\n",
        t.name, median * 1000, median / ours, cpu * 1000, cpu / oursCpu,
        static_cast<double>(t.peakKb) / 1024);
  }
  return 0;
}
