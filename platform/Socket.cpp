// What the sockets interface does the same in every build: the last error of the thread, the
// lock around binding the library, which resolvers it offers, and network byte order. The calls
// into the system are the backend's (SocketPosix.cpp, win32/SocketWin32.cpp).
#include "platform/Socket.h"

#include <atomic>
#include <bit>
#include <cstring>

#include "platform/SocketError.h"

namespace platform {
namespace {

thread_local int tLastError = 0;
bool gNewResolver = false;
bool gIPv6Resolver = false;
std::atomic<bool> gForceOldResolver{false};

constexpr bool kNetworkOrderIsNative = std::endian::native == std::endian::big;

uint16_t Swap16(uint16_t v) {
  return static_cast<uint16_t>((v >> 8) | (v << 8));
}

uint32_t Swap32(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}

}  // namespace

std::recursive_mutex& SocketLibraryLock() {
  static std::recursive_mutex lock;
  return lock;
}

int SockLastError() {
  return tLastError;
}
void SockSetLastError(int code) {
  tLastError = code;
}

bool SocketHasNewResolver() {
  return gNewResolver && !gForceOldResolver;
}
bool SocketHasIPv6Resolver() {
  return gIPv6Resolver && !gForceOldResolver;
}
void SocketForceOldResolver(bool force) {
  gForceOldResolver = force;
}
namespace detail {
void SetSocketResolvers(bool newResolver, bool ipv6Resolver) {
  gNewResolver = newResolver;
  gIPv6Resolver = ipv6Resolver;
}

bool TakeIPv4Addresses(bool isIPv4, char** list, std::vector<uint32_t>& addresses) {
  if (!isIPv4) {
    SockSetLastError(SocketError::kNoData);
    return false;
  }
  for (char** p = list; p != nullptr && *p != nullptr; ++p) {
    uint32_t a;
    std::memcpy(&a, *p, 4);
    addresses.push_back(a);
  }
  return true;
}
}  // namespace detail

// Network order is big-endian: a little-endian machine swaps, a big-endian one does not.
uint16_t SockHtons(uint16_t value) {
  return kNetworkOrderIsNative ? value : Swap16(value);
}
uint16_t SockNtohs(uint16_t value) {
  return kNetworkOrderIsNative ? value : Swap16(value);
}
uint32_t SockHtonl(uint32_t value) {
  return kNetworkOrderIsNative ? value : Swap32(value);
}
uint32_t SockNtohl(uint32_t value) {
  return kNetworkOrderIsNative ? value : Swap32(value);
}

}  // namespace platform
