// One extraction through the engine library, timed inside the program: bench_extract runs the
// Windows build of this program under Wine beside its own figures, so that the table shows what
// Wine costs the engine on the same archive.
//
//   bench_extract_once LIBRARY ARCHIVE DEST FILES TIMEFILE
//
// FILES is the number of files the engine must report; the seconds spent in the engine are
// written to TIMEFILE. The exit code is 0 only when the extraction was complete.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/extract/EngineRun.h"
#include "platform/Clock.h"
#include "platform/DynamicLibrary.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: bench_extract_once LIBRARY ARCHIVE DEST FILES TIMEFILE\n");
    return 2;
  }
  platform::TDynamicLibrary library;
  if (!library.Load(argv[1])) {
    std::fprintf(stderr, "cannot load the engine: %s\n", library.ErrorText().c_str());
    return 1;
  }
  const auto exec = library.Function<TAZExecFunc>("AZ_Exec");
  if (exec == nullptr) {
    std::fprintf(stderr, "the engine has no AZ_Exec: %s\n", library.ErrorText().c_str());
    return 1;
  }
  const uint64_t files = std::strtoull(argv[4], nullptr, 10);
  const int64_t start = platform::HighResCounter();
  if (!bench::ExtractWithEngine(exec, argv[2], argv[3], files, true))
    return 1;
  const double seconds = static_cast<double>(platform::HighResCounter() - start) /
                         static_cast<double>(platform::HighResFrequency());
  std::ofstream timeFile(argv[5], std::ios::trunc);
  timeFile << seconds << "\n";
  return timeFile.good() ? 0 : 1;
}
