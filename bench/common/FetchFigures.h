#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The figures of fetches run each in a child process of its own: a rate and a peak memory a
// run, so that each fetcher's memory is measured on its own.
namespace bench {

struct TFetchFigures {
  std::vector<double> rates;  // MiB per second
  std::vector<double> peaks;  // MiB
};

// Runs the fetching program, checks that it left `size` bytes at `target`, records its rate
// and peak memory and removes the target again. A failure is reported on stderr.
bool MeasureFetch(const std::vector<std::string>& argv, const std::string& target, int64_t size,
                  TFetchFigures& figures);

// "run N: ..." of the last run of each.
void PrintFetchRun(int run, const TFetchFigures& ours, const TFetchFigures& curl);

}  // namespace bench
