#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Runs a program to its end and measures it, for benchmarks that compare our code with a
// well-known tool: wall time and the child's peak resident memory.
namespace platform {

struct TMeasuredRun {
  int exitCode = -1;  // -1 when it could not be started or did not exit normally
  double seconds = 0;
  double cpuSeconds = 0;  // user and system time of the child
  int64_t peakKb = 0;     // the child's peak resident set size
};

// Output goes to /dev/null. The path is searched for on PATH when it has no "/".
TMeasuredRun RunMeasured(const std::vector<std::string>& argv);

}  // namespace platform
