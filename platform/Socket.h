#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// Our stand-in for the platform's sockets library. The layers above see Windows Sockets
// numbering only: address families, option levels and names, and error codes (10061 for a
// refused connection, 11001 for a host that does not resolve...). Calls that fail return -1 and
// leave the mapped code in SockLastError(), as the platform's per-thread last-error call does.
namespace platform {

using TSocketHandle = int64_t;
constexpr TSocketHandle kInvalidSocket = -1;
constexpr int kSocketError = -1;

// Address families as the layers above number them.
constexpr uint16_t kAfUnspec = 0;
constexpr uint16_t kAfInet = 2;
constexpr uint16_t kAfInet6 = 23;

// Socket types and protocols.
constexpr int kSockStream = 1;
constexpr int kSockDgram = 2;
constexpr int kSockRaw = 3;
constexpr int kIpProtoIp = 0;
constexpr int kIpProtoTcp = 6;
constexpr int kIpProtoUdp = 17;
constexpr int kIpProtoIpv6 = 41;

// Flags of recv and of the address-info lookups.
constexpr int kMsgPeek = 2;
constexpr int kAiPassive = 1;
constexpr int kNiNumericHost = 2;
constexpr int kNiNumericServ = 8;

// Option levels and names.
constexpr int kSolSocket = 0xFFFF;
constexpr int kSoReuseAddr = 4;
constexpr int kSoBroadcast = 0x20;
constexpr int kSoLinger = 0x80;
constexpr int kSoSndBuf = 0x1001;
constexpr int kSoRcvBuf = 0x1002;
constexpr int kSoSndTimeo = 0x1005;
constexpr int kSoRcvTimeo = 0x1006;
constexpr int kSoError = 0x1007;
constexpr int kSoType = 0x1008;
constexpr int kIpTtl = 4;             // level kIpProtoIp
constexpr int kIpv6UnicastHops = 8;   // level kIpProtoIpv6
constexpr int kIpMulticastTtl = 10;   // both levels
constexpr int kIpMulticastLoop = 11;  // both levels

// Directions of shutdown.
constexpr int kShutReceive = 0;
constexpr int kShutSend = 1;
constexpr int kShutBoth = 2;

// A socket address large enough for IPv6, laid out as the IPv6 record that overlays the IPv4
// one. Port and address are in network byte order.
struct TVarSin {
  uint16_t AddressFamily = 0;
  uint16_t sin_port = 0;
  union {
    struct {
      uint8_t sin_addr[4];
      uint8_t sin_zero[8];
    } v4;
    struct {
      uint32_t sin6_flowinfo;
      uint8_t sin6_addr[16];
      uint32_t sin6_scope_id;
    } v6;
  };
  TVarSin() : v6{} {}
};

// The linger record passed with kSoLinger.
struct TLinger {
  uint16_t l_onoff = 0;
  uint16_t l_linger = 0;
};

// The startup record of the sockets library.
struct TWSAData {
  uint16_t wVersion = 0;
  uint16_t wHighVersion = 0;
  std::string szDescription;
  std::string szSystemStatus;
  uint16_t iMaxSockets = 0;
  uint16_t iMaxUdpDg = 0;
};

// Library binding. There is nothing to load on this platform, but the binding keeps its use
// count and its process-wide lock, which also guards the non-reentrant old resolver functions.
bool SocketLibraryBind(const std::string& name);
void SocketLibraryRelease();
int SocketLibraryUseCount();
std::recursive_mutex& SocketLibraryLock();
int SockStartup(uint16_t version, TWSAData& data);
int SockCleanup();

// Whether the address-info functions are there (main library / IPv6 support library). Tests
// switch them off to run the old IPv4-only resolver path.
bool SocketHasNewResolver();
bool SocketHasIPv6Resolver();
void SocketForceOldResolver(bool force);
namespace detail {
// Where the backend records, under SocketLibraryLock(), which resolvers the bound library has.
void SetSocketResolvers(bool newResolver, bool ipv6Resolver);
// Appends the addresses of a host entry's null-ended list of 4-byte addresses; an entry of
// another family fails with the resolver's "no data" code.
bool TakeIPv4Addresses(bool isIPv4, char** list, std::vector<uint32_t>& addresses);
}  // namespace detail

// The mapped error code of the last failed call on this thread.
int SockLastError();
void SockSetLastError(int code);
// Maps a platform error number onto the Windows Sockets code.
int SockMapErrno(int error);

TSocketHandle SockSocket(int family, int type, int protocol);
int SockClose(TSocketHandle socket);
int SockBind(TSocketHandle socket, const TVarSin& address);
int SockConnect(TSocketHandle socket, const TVarSin& address);
int SockListen(TSocketHandle socket, int backlog);
// Returns the new handle or kInvalidSocket; the peer's address goes into `peer` when given.
TSocketHandle SockAccept(TSocketHandle socket, TVarSin* peer);
int SockSend(TSocketHandle socket, const void* buffer, int length, int flags);
int SockRecv(TSocketHandle socket, void* buffer, int length, int flags);
int SockSendTo(TSocketHandle socket, const void* buffer, int length, int flags, const TVarSin& to);
int SockRecvFrom(TSocketHandle socket, void* buffer, int length, int flags, TVarSin& from);
int SockShutdown(TSocketHandle socket, int how);
int SockGetSockName(TSocketHandle socket, TVarSin& address);
int SockGetPeerName(TSocketHandle socket, TVarSin& address);
// Options by Windows Sockets level and name; timeouts are milliseconds (32-bit), the linger
// option takes a TLinger, the others a 32-bit integer.
int SockSetOpt(TSocketHandle socket, int level, int name, const void* value, int length);
int SockGetOpt(TSocketHandle socket, int level, int name, void* value, int* length);
// ioctlsocket FIONBIO and FIONREAD.
int SockSetNonBlocking(TSocketHandle socket, bool enabled);
int SockPendingBytes(TSocketHandle socket, uint32_t& count);
// Waits until one of the sockets is readable (or writable); `timeoutMs` -1 waits without limit.
// Returns the number that are ready (0 on timeout) or -1, and marks them in `ready`. Uses poll,
// so handles of any number work.
int SockWait(const std::vector<TSocketHandle>& sockets, bool forWrite, int timeoutMs,
             std::vector<bool>& ready);

// The new resolver: getaddrinfo with hints; returns 0 or the Windows Sockets code, and every
// address found in order. Empty host or service texts are passed as none.
struct TAddrHints {
  int family = kAfUnspec;
  int socketType = 0;
  int protocol = 0;
  int flags = 0;
};
int SockGetAddrInfo(const std::string& host, const std::string& service, const TAddrHints& hints,
                    std::vector<TVarSin>& results);
// getnameinfo: host and service texts of an address (kNiNumericHost, kNiNumericServ flags).
int SockGetNameInfo(const TVarSin& address, std::string& host, std::string& service, int flags);

// The old IPv4-only resolver functions; callers hold SocketLibraryLock() around them.
uint32_t SockInetAddr(const std::string& text);  // network order; 0xFFFFFFFF when not a literal
std::string SockInetNtoa(const uint8_t addr[4]);
bool SockGetHostByName(const std::string& name, std::vector<uint32_t>& addresses);
bool SockGetHostByAddr(const uint8_t addr[4], std::string& name);
// The port (host order) of a service name for a protocol name; -1 when unknown.
int SockGetServByName(const std::string& service, const std::string& protocol);
// The name of a protocol number ("tcp", "udp"...); empty when unknown.
std::string SockGetProtoByNumber(int protocol);
int SockGetHostName(std::string& name);

uint16_t SockHtons(uint16_t value);
uint16_t SockNtohs(uint16_t value);
uint32_t SockHtonl(uint32_t value);
uint32_t SockNtohl(uint32_t value);

}  // namespace platform
