#pragma once
#include <cstdint>
#include <string>

#include "engine/ArcaZipContract.h"

// One extraction through the engine library's AZ_Exec, driven as the archive component drives
// it: wide names, every entry, overwrite, folder names when asked. Shared by the benchmark and
// by the program that the benchmark runs under Wine.
namespace bench {

// True when the engine reports `expectFiles` files extracted (the count is printed otherwise).
bool ExtractWithEngine(TAZExecFunc exec, const std::string& archive, const std::string& dest,
                       uint64_t expectFiles, bool dirNames);

}  // namespace bench
