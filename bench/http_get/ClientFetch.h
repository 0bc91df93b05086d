#pragma once
#include <cstdint>
#include <string>

// One GET with THTTPClient into a file through the gathering file stream: shared by the
// benchmark and by the program that the benchmark runs under Wine.
namespace bench {

// True for a 200 answer whose whole body reached `target`; `bytes` is what the file holds.
bool FetchWithClient(const std::string& url, const std::string& target, int64_t& bytes);

}  // namespace bench
