#pragma once
#include <string>
#include <vector>

// Runs a program to its end as a child process and reports its exit code, its wall time and
// its peak resident memory, so that each fetcher's memory is measured on its own.
namespace bench {

struct TChildResult {
  int exitCode = -1;
  double seconds = 0;
  long peakKiB = 0;
};

TChildResult RunChild(const std::vector<std::string>& argv);

}  // namespace bench
