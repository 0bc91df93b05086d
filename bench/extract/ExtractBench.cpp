// Extracts archives made here with `zip -6` from a fixed seed, several times each with our
// engine (through the library, as the archive component calls it, in a child process of its
// own), with `unzip -q -o` and with `bsdtar -xf`, taking turns, into fresh folders on the
// memory file system, and prints the median time and throughput of each, our ratios and the
// peak resident memory of every program. Two archives:
//  - mixed: ~300 MiB of small, medium and large files in a few folders;
//  - folders: 20,000 small files in 2,000 folders, stored interleaved (each entry in another
//    folder than the one before), extracted with folder names kept.
// Then it splits our time on the mixed archive into inflate, CRC, writes and file creation.
// With --wine, the Windows build's engine joins the turns too: the program bench_extract_once
// of a Windows build (the engine library copied beside it) under Wine through tools/wine-run,
// measured as a whole and by its own clock around the engine's call.
//
//   bench_extract [--runs N] [--scale PERCENT] [--case mixed|folders] [--ours-only]
//                 [--wine win64|win32 PROGRAM.exe]
#include <libdeflate.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/common/BenchStats.h"
#include "bench/extract/EngineRun.h"
#include "engine/ArcaZipContract.h"
#include "engine/ZipDirectory.h"
#include "platform/Clock.h"
#include "platform/DirHandle.h"
#include "platform/DynamicLibrary.h"
#include "platform/File.h"
#include "platform/MappedFile.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace {

using varelo::test::RunCommand;

constexpr uint32_t kSeed = 20261208;
constexpr int kCommandTimeoutMs = 900000;
constexpr const char* kOursName = "ArcaZip190.dll";
constexpr const char* kWineName = "same under Wine";

// The Windows build's program run under Wine, when asked for.
struct TWineRun {
  std::string arch;
  std::string program;
  bool Wanted() const { return !program.empty(); }
};

// The host path as Wine's drive Z: (the host's root) names it.
std::string WinePath(std::string path) {
  for (char& c : path) {
    if (c == '/')
      c = '\\';
  }
  return "Z:" + path;
}

// The seconds the program under Wine wrote down, or 0 when it wrote nothing readable.
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

double Now() {
  return static_cast<double>(platform::HighResCounter()) /
         static_cast<double>(platform::HighResFrequency());
}

// ---- The input tree ----

class TGenerator {
 public:
  explicit TGenerator(uint32_t seed) : rng_(seed) {
    static const char* kStems[] = {"venda",  "cupom",   "fiscal", "estoque", "cliente", "nota",
                                   "pedido", "produto", "caixa",  "total",   "imposto", "loja"};
    for (int i = 0; i < 400; ++i) {
      std::string w = kStems[rng_() % 12];
      w += std::to_string(rng_() % (i < 200 ? 10 : 10000));
      words_.push_back(w);
    }
  }

  std::string Text(size_t n) {
    std::string out;
    out.reserve(n + 32);
    while (out.size() < n) {
      out += words_[Zipf()];
      out += (rng_() % 12 == 0) ? '\n' : ' ';
    }
    out.resize(n);
    return out;
  }

  // Binary data with some entropy: random stretches, small-alphabet stretches and repeats.
  std::string Binary(size_t n) {
    std::string out;
    out.reserve(n + 4096);
    while (out.size() < n) {
      const size_t block = 512 + rng_() % 4096;
      switch (rng_() % 4) {
        case 0:
          for (size_t i = 0; i < block; ++i)
            out += static_cast<char>(rng_());
          break;
        case 1:
          if (out.size() > block) {
            const size_t from = rng_() % (out.size() - block);
            out.append(out, from, block);
            break;
          }
          [[fallthrough]];
        default:
          for (size_t i = 0; i < block; ++i)
            out += static_cast<char>(rng_() % 16 * 3);
          break;
      }
    }
    out.resize(n);
    return out;
  }

  uint32_t Below(uint32_t n) { return rng_() % n; }

 private:
  size_t Zipf() {
    const double u = std::uniform_real_distribution<double>(0, 1)(rng_);
    return static_cast<size_t>(u * u * u * static_cast<double>(words_.size())) % words_.size();
  }
  std::mt19937 rng_;
  std::vector<std::string> words_;
};

struct TTree {
  uint64_t bytes = 0;
  uint64_t files = 0;
};

void Put(const std::string& path, const std::string& data, TTree& tree) {
  varelo::test::WriteFileBytes(path, data);
  tree.bytes += data.size();
  ++tree.files;
}

TTree MakeTree(const std::string& root, double scale) {
  TGenerator gen(kSeed);
  TTree tree;
  const auto scaled = [&](double n) { return static_cast<size_t>(n * scale); };
  for (int d = 0; d < 20; ++d)
    platform::ForceDirectories(root + "/small/d" + std::to_string(d));
  platform::ForceDirectories(root + "/medium");
  platform::ForceDirectories(root + "/large");
  for (size_t i = 0; i < scaled(3000); ++i) {
    const std::string dir = root + "/small/d" + std::to_string(i % 20) + "/";
    const size_t n = 512 + gen.Below(16384);
    if (i % 3 == 2) {
      Put(dir + "f" + std::to_string(i) + ".bin", gen.Binary(n), tree);
    } else {
      Put(dir + "f" + std::to_string(i) + ".txt", gen.Text(n), tree);
    }
  }
  for (size_t i = 0; i < scaled(60); ++i) {
    const size_t n = (256u << 10) + gen.Below(2u << 20);
    Put(root + "/medium/m" + std::to_string(i) + (i % 2 ? ".dat" : ".txt"),
        i % 2 ? gen.Binary(n) : gen.Text(n), tree);
  }
  Put(root + "/large/base1.txt", gen.Text(scaled(50u << 20)), tree);
  Put(root + "/large/base2.txt", gen.Text(scaled(50u << 20)), tree);
  Put(root + "/large/image.bin", gen.Binary(scaled(40u << 20)), tree);
  Put(root + "/large/server.log", gen.Text(scaled(30u << 20)), tree);
  return tree;
}

// 20,000 small files in 2,000 folders; `list` gets the names interleaved across the folders.
TTree MakeFolderTree(const std::string& root, double scale, std::string& list) {
  TGenerator gen(kSeed + 1);
  TTree tree;
  const size_t folders = std::max<size_t>(1, static_cast<size_t>(2000 * scale));
  const size_t perFolder = 10;
  for (size_t d = 0; d < folders; ++d)
    platform::ForceDirectories(root + "/g" + std::to_string(d / 100) + "/f" + std::to_string(d));
  for (size_t i = 0; i < perFolder; ++i) {
    for (size_t d = 0; d < folders; ++d) {
      const std::string name = "g" + std::to_string(d / 100) + "/f" + std::to_string(d) + "/n" +
                               std::to_string(i) + ".txt";
      Put(root + "/" + name, gen.Text(256 + gen.Below(4096)), tree);
      list += name + "\n";
    }
  }
  return tree;
}

struct TMeasured {
  double seconds = 0;
  int64_t peakBytes = 0;
  bool ok = false;
};

// Runs `body` in a child process and measures its time and peak resident memory, so that
// every program is measured the same way (our engine included).
TMeasured MeasureChild(const std::function<int()>& body) {
  TMeasured m;
  const double start = Now();
  const pid_t pid = fork();
  if (pid == 0)
    _exit(body());
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
    return m;
  m.seconds = Now() - start;
  m.peakBytes = static_cast<int64_t>(usage.ru_maxrss) * 1024;
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return m;
}

int ExecQuiet(const std::vector<std::string>& argv) {
  const int devnull = open("/dev/null", O_WRONLY);
  dup2(devnull, 1);
  dup2(devnull, 2);
  std::vector<char*> args;
  for (const std::string& a : argv)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  return 127;
}

// ---- Where our time goes ----

void Breakdown(const std::string& archivePath, const std::string& scratch) {
  platform::TMappedFile archive;
  if (!archive.Open(archivePath))
    return;
  arcazip::TZipDirectory directory;
  if (directory.Read(archive.Data(), archive.Size()) != azeNone)
    return;
  libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
  size_t largest = 0;
  for (const auto& e : directory.Entries())
    largest = std::max<size_t>(largest, e.uncompressedSize);
  std::vector<uint8_t> buffer(largest + 1);
  double inflateTime = 0, crcTime = 0, bytes = 0;
  size_t files = 0;
  for (const auto& e : directory.Entries()) {
    if (e.IsDirectory())
      continue;
    ++files;
    const double t0 = Now();
    size_t produced = e.uncompressedSize;
    if (e.method == arcazip::kMethodDeflated) {
      libdeflate_deflate_decompress(inflater, archive.Data() + e.dataOffset, e.compressedSize,
                                    buffer.data(), e.uncompressedSize, &produced);
    } else {
      std::memcpy(buffer.data(), archive.Data() + e.dataOffset, e.compressedSize);
    }
    const double t1 = Now();
    libdeflate_crc32(0, buffer.data(), produced);
    crcTime += Now() - t1;
    inflateTime += t1 - t0;
    bytes += static_cast<double>(produced);
  }
  libdeflate_free_decompressor(inflater);

  // Writes of the same sizes from one reused buffer, and the bare creation of as many files.
  platform::ForceDirectories(scratch + "/w");
  platform::ForceDirectories(scratch + "/c");
  platform::TDirHandle writeDir, createDir;
  writeDir.Open(scratch + "/w");
  createDir.Open(scratch + "/c");
  constexpr size_t kBlock = 1u << 20;
  const double w0 = Now();
  size_t n = 0;
  for (const auto& e : directory.Entries()) {
    if (e.IsDirectory())
      continue;
    platform::TDirFile f = writeDir.CreateNewFile("f" + std::to_string(n++));
    for (uint64_t pos = 0; pos < e.uncompressedSize; pos += kBlock)
      f.Write(buffer.data(), std::min<uint64_t>(kBlock, e.uncompressedSize - pos));
  }
  const double writeTime = Now() - w0;
  const double c0 = Now();
  for (size_t i = 0; i < files; ++i)
    createDir.CreateNewFile("e" + std::to_string(i));
  const double createTime = Now() - c0;
  const double mb = bytes / 1e6;
  std::printf("\nwhere the time goes (one core, %zu files, %.0f MB):\n", files, mb);
  std::printf("  inflate (libdeflate)  %6.3f s  %7.0f MB/s\n", inflateTime, mb / inflateTime);
  std::printf("  CRC-32 (libdeflate)   %6.3f s  %7.0f MB/s\n", crcTime, mb / crcTime);
  std::printf("  writes (1 MiB blocks) %6.3f s  %7.0f MB/s  (file creation included)\n", writeTime,
              mb / writeTime);
  std::printf("  bare file creation    %6.3f s  %7.1f us per file\n", createTime,
              createTime * 1e6 / static_cast<double>(files));
  std::printf("  sum on one core       %6.3f s  %7.0f MB/s\n", inflateTime + crcTime + writeTime,
              mb / (inflateTime + crcTime + writeTime));
}

struct TTool {
  std::string name;
  std::vector<double> seconds;
  int64_t peakBytes = 0;
  std::vector<double> innerSeconds;  // the program's own clock (the run under Wine)
};

// The Windows program under Wine: one extraction, its own time read back from a file.
TMeasured MeasureUnderWine(const TWineRun& wine, const std::string& archive, const std::string& out,
                           const TTree& tree, TTool& tool) {
  const std::string library = std::filesystem::path(wine.program).parent_path() / "ArcaZip190.dll";
  const std::string timeFile = out + ".seconds";
  std::filesystem::remove(timeFile);
  const TMeasured m = MeasureChild([&] {
    return ExecQuiet({WINE_RUN, wine.arch, wine.program, WinePath(library), WinePath(archive),
                      WinePath(out), std::to_string(tree.files), WinePath(timeFile)});
  });
  tool.innerSeconds.push_back(ReadSeconds(timeFile));
  std::filesystem::remove(timeFile);
  return m;
}

// One archive: every tool in turn, `runs` times, and the table of medians.
bool RunCase(const std::string& title, TAZExecFunc exec, const std::string& archive,
             const std::string& out, const TTree& tree, int runs, bool oursOnly, bool dirNames,
             const TWineRun& wine) {
  const bool haveBsdtar = varelo::test::HaveProgram("bsdtar");
  std::vector<TTool> tools{{kOursName, {}, 0, {}}};
  if (wine.Wanted())
    tools.push_back({kWineName, {}, 0, {}});
  if (!oursOnly) {
    tools.push_back({"unzip -q -o", {}, 0, {}});
    if (haveBsdtar)
      tools.push_back({"bsdtar -xf", {}, 0, {}});
  }
  for (int run = 0; run < runs; ++run) {
    // The tools take turns so that drift on a shared machine touches all of them alike.
    std::printf("run %d:", run + 1);
    for (TTool& tool : tools) {
      RunCommand({"rm", "-rf", out});
      platform::ForceDirectories(out);
      TMeasured m;
      if (tool.name == kOursName) {
        m = MeasureChild([&] {
          return bench::ExtractWithEngine(exec, archive, out, tree.files, dirNames) ? 0 : 1;
        });
      } else if (tool.name == kWineName) {
        m = MeasureUnderWine(wine, archive, out, tree, tool);
      } else if (tool.name == "unzip -q -o") {
        m = MeasureChild([&] { return ExecQuiet({"unzip", "-q", "-o", archive, "-d", out}); });
      } else {
        m = MeasureChild([&] { return ExecQuiet({"bsdtar", "-xf", archive, "-C", out}); });
      }
      if (!m.ok) {
        std::fprintf(stderr, "%s failed on the %s archive\n", tool.name.c_str(), title.c_str());
        return false;
      }
      tool.seconds.push_back(m.seconds);
      tool.peakBytes = std::max(tool.peakBytes, m.peakBytes);
      std::printf(" %s %.3f s", tool.name.c_str(), m.seconds);
    }
    std::printf("\n");
  }
  RunCommand({"rm", "-rf", out});
  const double mb = static_cast<double>(tree.bytes) / 1e6;
  std::printf("\n%s: median over %d runs (%.0f MB, %llu files%s):\n", title.c_str(), runs, mb,
              static_cast<unsigned long long>(tree.files), dirNames ? ", folder names kept" : "");
  std::printf("  %-16s %9s %9s %11s %10s\n", "", "seconds", "MB/s", "files/s", "peak RSS");
  for (const TTool& tool : tools) {
    const double t = bench::Median(tool.seconds);
    // Wine runs the Windows program as a process of its own that this one does not wait for,
    // so no peak memory of it is known here.
    if (tool.name == kWineName) {
      std::printf("  %-16s %9.3f %9.1f %11.0f %11s\n", tool.name.c_str(), t, mb / t,
                  static_cast<double>(tree.files) / t, "-");
      continue;
    }
    std::printf("  %-16s %9.3f %9.1f %11.0f %7.1f MiB\n", tool.name.c_str(), t, mb / t,
                static_cast<double>(tree.files) / t, static_cast<double>(tool.peakBytes) / 1048576);
  }
  const double ours = bench::Median(tools[0].seconds);
  for (size_t i = 1; i < tools.size(); ++i)
    std::printf("  ours / %-12s %7.2fx faster\n", tools[i].name.c_str(),
                bench::Median(tools[i].seconds) / ours);
  for (const TTool& tool : tools) {
    if (tool.innerSeconds.empty())
      continue;
    const double inner = bench::Median(tool.innerSeconds);
    std::printf(
        "  under Wine (%s): %.3f s in the engine's call, %.3f s for Wine's start and "
        "end\n",
        wine.arch.c_str(), inner, bench::Median(tool.seconds) - inner);
  }
  return true;
}

bool MakeArchive(const std::string& src, const std::string& archive, const std::string& list) {
  std::string command = "cd '" + src + "' && ";
  if (list.empty()) {
    command += "zip -6 -q -r '" + archive + "' .";
  } else {
    varelo::test::WriteFileBytes(src + "/../names.txt", list);
    command += "zip -6 -q '" + archive + "' -@ < ../names.txt";
  }
  const double t0 = Now();
  if (RunCommand({"sh", "-c", command}, nullptr, kCommandTimeoutMs) != 0) {
    std::fprintf(stderr, "zip failed\n");
    return false;
  }
  std::printf("zip -6: %.1f MiB archive in %.1f s\n",
              static_cast<double>(platform::FileSize(archive)) / 1048576, Now() - t0);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  double scale = 1.0;
  std::string only;
  TWineRun wine;
  // --ours-only skips the other tools, for profiling the engine alone.
  bool oursOnly = false;
  for (int i = 1; i < argc; ++i)
    oursOnly = oursOnly || std::strcmp(argv[i], "--ours-only") == 0;
  for (int i = 1; i + 2 < argc; ++i) {
    if (std::strcmp(argv[i], "--wine") == 0)
      wine = {argv[i + 1], argv[i + 2]};
  }
  if (wine.Wanted() && wine.arch != "win64" && wine.arch != "win32") {
    std::fprintf(stderr, "--wine takes win64 or win32, then the program\n");
    return 1;
  }
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0)
      runs = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--scale") == 0)
      scale = std::atof(argv[i + 1]) / 100.0;
    if (std::strcmp(argv[i], "--case") == 0)
      only = argv[i + 1];
  }
  bench::PreferMemoryTempDir();
  varelo::test::TTempDir work;
  std::printf("work folder %s\n", work.Path().c_str());
  platform::TDynamicLibrary library;
  // Another build of the engine may be measured in its place, to compare two builds.
  const char* other = std::getenv("VARELO_ENGINE_LIBRARY");
  const std::string libraryPath = other != nullptr && *other != 0 ? other : ARCAZIP_DLL_PATH;
  if (!library.Load(libraryPath)) {
    std::fprintf(stderr, "cannot load the engine: %s\n", library.ErrorText().c_str());
    return 1;
  }
  const auto exec = library.Function<TAZExecFunc>("AZ_Exec");
  const std::string out = work / "out";

  if (only.empty() || only == "mixed") {
    const double t0 = Now();
    const TTree tree = MakeTree(work / "src", scale);
    std::printf("mixed: generated %llu files, %.1f MiB in %.1f s\n",
                static_cast<unsigned long long>(tree.files),
                static_cast<double>(tree.bytes) / 1048576, Now() - t0);
    const std::string archive = work / "mixed.zip";
    if (!MakeArchive(work / "src", archive, {}))
      return 1;
    RunCommand({"rm", "-rf", work / "src"});
    if (!RunCase("mixed archive", exec, archive, out, tree, runs, oursOnly, true, wine))
      return 1;
    if (!oursOnly)
      Breakdown(archive, work / "scratch");
    RunCommand({"rm", "-rf", work / "scratch", archive});
  }
  if (only.empty() || only == "folders") {
    std::string list;
    const double t0 = Now();
    const TTree tree = MakeFolderTree(work / "folders", scale, list);
    std::printf("\nfolders: generated %llu files in %.1f s\n",
                static_cast<unsigned long long>(tree.files), Now() - t0);
    const std::string archive = work / "folders.zip";
    if (!MakeArchive(work / "folders", archive, list))
      return 1;
    RunCommand({"rm", "-rf", work / "folders"});
    if (!RunCase("many folders", exec, archive, out, tree, runs, oursOnly, true, wine))
      return 1;
  }
  return 0;
}
