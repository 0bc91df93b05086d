#pragma once
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The figures every benchmark prints: medians of its runs, transfer rates, peak memory, and
// the file the network benchmarks serve.
namespace bench {

// The middle value (the mean of the two middle ones for an even count); 0 for no values.
double Median(std::vector<double> values);

// The largest value; 0 for no values.
double Max(const std::vector<double>& values);

// MiB per second.
double MegabytesPerSecond(int64_t bytes, double seconds);
double MegabytesPerSecond(int64_t bytes, std::chrono::steady_clock::duration elapsed);

// The peak resident memory of RUSAGE_SELF or RUSAGE_CHILDREN, in KiB.
int64_t PeakKilobytes(int who);

// Writes `size` bytes (rounded up to whole 4 MiB blocks) of a pattern that does not compress
// to nothing.
bool WriteServedFile(const std::string& path, int64_t size);

// Points TMPDIR at /dev/shm when the machine has a memory file system, so that the figures
// compare the work rather than the disk's write-back (which swings by half).
void PreferMemoryTempDir();

}  // namespace bench
