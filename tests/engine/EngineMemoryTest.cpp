// What hostile archives make the engine hold in memory (item 9 of the engine's hardening):
// each extract runs in a child process whose peak resident memory is compared with the
// engine's stated budget.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "engine/EngineLimits.h"
#include "tests/engine/EngineTestSupport.h"

namespace varelo::test {
namespace {

constexpr int64_t kMiB = 1 << 20;
// What the test program itself holds before the engine runs (code, gtest, the C library).
constexpr int64_t kProgramBaseline = 48 * kMiB;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderSanitizer = true;
#else
constexpr bool kUnderSanitizer = false;
#endif
#else
constexpr bool kUnderSanitizer = false;
#endif

struct TChildRun {
  int32_t result = 0;
  int64_t peakBytes = 0;
};

// Runs the extract in a child process and reads the child's own peak resident memory.
TChildRun RunInChild(TEngineCaller& caller) {
  TChildRun run;
  int fds[2];
  if (pipe(fds) != 0)
    return run;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const int32_t result = caller.Run();
    const ssize_t written = write(fds[1], &result, sizeof result);
    _exit(written == sizeof result ? 0 : 1);
  }
  close(fds[1]);
  if (read(fds[0], &run.result, sizeof run.result) != sizeof run.result)
    run.result = INT32_MIN;
  close(fds[0]);
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  run.peakBytes = static_cast<int64_t>(usage.ru_maxrss) * 1024;
  return run;
}

class EngineMemory : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    if (kUnderSanitizer)
      GTEST_SKIP() << "the sanitizers' own shadow memory and quarantine hide the engine's";
  }
};

// A small archive of highly compressible entries and a slow writer: decoding runs ahead of
// the writes, and what waits is held in buffers that must count as what they are.
TEST_F(EngineMemory, SlowWriterOnCompressibleEntriesStaysWithinTheDecodeLimits) {
  {
    // Built in a scope of its own: what the child inherits counts in its peak.
    std::vector<TZipItem> items;
    // Entries as large as the in-memory path takes, each shorter by a little so that buffers
    // are not simply handed back and forth, and a tiny entry after each one that must not
    // keep a large buffer.
    for (int i = 0; i < 12; ++i) {
      const std::string content(arcazip::kInMemoryLimit - static_cast<size_t>(i) * 70000, '\0');
      items.push_back({.name = "z" + std::to_string(i),
                       .content = "",
                       .data = Deflate(content),
                       .crc = Crc32(content),
                       .declaredSize = content.size()});
      items.push_back({.name = "t" + std::to_string(i), .content = "tiny"});
    }
    WriteArchive(items);
  }
  caller.hook = [](const TEngineEvent& e) {
    if (e.action == zacProgress)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
  };
  const TChildRun run = RunInChild(caller);
  EXPECT_EQ(run.result, 24);
  // Entries this large leave room for one decoded ahead of the one being written, and the
  // buffer set aside idle is the next one's: two entries' worth, whatever the declared sizes.
  static_assert(2 * arcazip::kInMemoryLimit + arcazip::kInMemoryLimit / 2 >
                arcazip::kDecodeAheadLimit);
  const int64_t limit = 2 * static_cast<int64_t>(arcazip::kInMemoryLimit) + kProgramBaseline;
  EXPECT_LE(run.peakBytes, limit) << run.peakBytes / kMiB << " MiB";
}

// Two million empty central records: the directory is bounded per entry, and the whole
// operation stays within the budget beside the archive's mapped pages.
TEST_F(EngineMemory, MillionsOfEmptyCentralRecordsStayWithinTheBudget) {
  constexpr uint64_t kRecords = 2000000;
  std::string zip;
  {
    std::string local("PK\3\4\x0a\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 30);
    std::string central(
        "PK\1\2\x1e\3\x0a\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
        "\0\0\0\0\0\0\0\0\0\0\0\0\0\0",
        46);
    zip.reserve(30 + kRecords * 46 + 98);
    zip += local;
    for (uint64_t i = 0; i < kRecords; ++i)
      zip += central;
    const std::string end = BuildZip({}, {.zip64End = true});
    // The builder's empty archive holds Zip64 records that point at offset 0; patch the
    // count, size and offset in for the records written above.
    std::string tail = end;
    const auto put64 = [&](size_t at, uint64_t v) {
      for (int b = 0; b < 8; ++b)
        tail[at + b] = static_cast<char>(v >> (8 * b));
    };
    put64(24, kRecords);
    put64(32, kRecords);
    put64(40, kRecords * 46);
    put64(48, 30);
    put64(56 + 8, 30 + kRecords * 46);
    zip += tail;
  }
  WriteFileBytes(caller.archive, zip);
  const int64_t archiveBytes = static_cast<int64_t>(zip.size());
  zip.clear();
  zip.shrink_to_fit();
  const TChildRun run = RunInChild(caller);
  EXPECT_TRUE(run.result == -azeNoMemory || run.result >= 0) << run.result;
  EXPECT_LE(run.peakBytes,
            archiveBytes + static_cast<int64_t>(arcazip::kMemoryBudget) + kProgramBaseline)
      << run.peakBytes / kMiB << " MiB";
  EXPECT_LE(run.peakBytes,
            archiveBytes + static_cast<int64_t>(arcazip::kDirectoryBudget) + kProgramBaseline)
      << run.peakBytes / kMiB << " MiB";
}

}  // namespace
}  // namespace varelo::test
