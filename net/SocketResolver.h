#pragma once
#include <cstdint>
#include <string>

#include "platform/Socket.h"

// The resolver routine of the socket layer: host and port text to a socket address, through
// the address-info functions when the sockets interface has them and through the old IPv4-only
// functions otherwise.
namespace net {

// Whether the address-info functions serve an address family.
bool UseNewResolver(int family);

// A decimal port number, or -1 when the text is not one.
int32_t DecimalValue(const std::string& text);

// Zeroes `sin` and fills it for host and port; 0 or the resolver's error code. With AF_UNSPEC
// IPv4 is tried before IPv6 when `preferIP4`, else the other way round.
int SetVarSin(platform::TVarSin& sin, const std::string& ip, const std::string& port, int family,
              int type, int protocol, bool preferIP4);

}  // namespace net
