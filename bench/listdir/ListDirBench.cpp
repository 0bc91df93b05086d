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

namespace {

void Put16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

uint32_t Crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (char ch : bytes) {
    crc ^= static_cast<uint8_t>(ch);
    for (int k = 0; k < 8; ++k)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

// Stored entries "loja007/caixa0123/cupom000456.txt" with a short text each.
std::string MakeArchive(int entries) {
  std::string data, central;
  data.reserve(static_cast<size_t>(entries) * 90);
  central.reserve(static_cast<size_t>(entries) * 90);
  for (int i = 0; i < entries; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "loja%03d/caixa%04d/cupom%06d.txt", i % 97, i % 1013, i);
    const std::string content = "cupom " + std::to_string(i) + "\r\n";
    const uint32_t crc = Crc32(content);
    const uint32_t offset = static_cast<uint32_t>(data.size());
    const uint32_t nameLength = static_cast<uint32_t>(std::strlen(name));
    Put32(data, 0x04034B50);
    Put16(data, 10);
    Put16(data, 0);
    Put16(data, 0);
    Put32(data, 0x5A210000);
    Put32(data, crc);
    Put32(data, static_cast<uint32_t>(content.size()));
    Put32(data, static_cast<uint32_t>(content.size()));
    Put16(data, nameLength);
    Put16(data, 0);
    data += name;
    data += content;
    Put32(central, 0x02014B50);
    Put16(central, 0x031E);
    Put16(central, 10);
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, 0x5A210000);
    Put32(central, crc);
    Put32(central, static_cast<uint32_t>(content.size()));
    Put32(central, static_cast<uint32_t>(content.size()));
    Put16(central, nameLength);
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, 0100644u << 16);
    Put32(central, offset);
    central += name;
  }
  // More than 65,535 entries need the Zip64 end records; the end record then holds
  // placeholders for the counts.
  const uint64_t centralOffset = data.size();
  std::string out = data + central;
  const bool zip64 = entries > 0xFFFF;
  if (zip64) {
    const uint32_t at = static_cast<uint32_t>(out.size());
    Put32(out, 0x06064B50);
    Put32(out, 44);
    Put32(out, 0);
    Put16(out, 0x031E);
    Put16(out, 45);
    Put32(out, 0);
    Put32(out, 0);
    for (int k = 0; k < 2; ++k) {
      Put32(out, static_cast<uint32_t>(entries));
      Put32(out, 0);
    }
    Put32(out, static_cast<uint32_t>(central.size()));
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(centralOffset));
    Put32(out, 0);
    Put32(out, 0x07064B50);
    Put32(out, 0);
    Put32(out, at);
    Put32(out, 0);
    Put32(out, 1);
  }
  const uint32_t count = zip64 ? 0xFFFF : static_cast<uint32_t>(entries);
  Put32(out, 0x06054B50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, count);
  Put16(out, count);
  Put32(out, static_cast<uint32_t>(central.size()));
  Put32(out, static_cast<uint32_t>(centralOffset));
  Put16(out, 0);
  return out;
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
