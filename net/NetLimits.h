#pragma once
#include <cstdint>

// Limits of the network clients that protect them from peers that never stop sending.
namespace net {

// The most a response's status line and header block (and a proxy's CONNECT reply) may take.
// Real servers send a few kilobytes; anything near this is hostile or broken, and reading it
// is ended with socket error 10055 rather than holding the whole of it in memory.
constexpr int32_t kMaxHeaderBlockBytes = 1024 * 1024;

}  // namespace net
