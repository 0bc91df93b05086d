#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Runs a program to its end as a child process and measures it, so that each program a
// benchmark compares (ours and the well-known tool) is measured on its own: its exit code, its
// wall time, its CPU time and its peak resident memory.
namespace bench {

struct TChildResult {
  int exitCode = -1;  // -1 when it could not be started or did not exit normally
  double seconds = 0;
  double cpuSeconds = 0;  // user and system time of the child
  int64_t peakKiB = 0;    // the child's peak resident set size
};

// Where the child's standard output and error go: to the benchmark's own, or to /dev/null for
// a tool whose output would bury the figures.
enum class TChildOutput { kShown, kDiscarded };

// The program is searched for on PATH when its name has no "/".
TChildResult RunChild(const std::vector<std::string>& argv,
                      TChildOutput output = TChildOutput::kShown);

}  // namespace bench
