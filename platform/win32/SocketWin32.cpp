#include "platform/Socket.h"

// Only the types and constants come from the headers: every function of Windows Sockets is
// taken by name from the library loaded at run time, so the program starts even where the
// library is missing and says so itself.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

#include "platform/SocketError.h"
#include "platform/win32/Win32Util.h"

namespace platform {
namespace {

// The socket codes the layers above name are the system's own numbers, so what the library
// reports passes through unchanged.
static_assert(SocketError::kInterrupted == WSAEINTR);
static_assert(SocketError::kBadFile == WSAEBADF);
static_assert(SocketError::kAccessDenied == WSAEACCES);
static_assert(SocketError::kBadAddress == WSAEFAULT);
static_assert(SocketError::kInvalidArgument == WSAEINVAL);
static_assert(SocketError::kTooManyOpenSockets == WSAEMFILE);
static_assert(SocketError::kWouldBlock == WSAEWOULDBLOCK);
static_assert(SocketError::kInProgress == WSAEINPROGRESS);
static_assert(SocketError::kAlreadyInProgress == WSAEALREADY);
static_assert(SocketError::kNotASocket == WSAENOTSOCK);
static_assert(SocketError::kDestinationRequired == WSAEDESTADDRREQ);
static_assert(SocketError::kMessageTooLong == WSAEMSGSIZE);
static_assert(SocketError::kWrongProtocolType == WSAEPROTOTYPE);
static_assert(SocketError::kBadProtocolOption == WSAENOPROTOOPT);
static_assert(SocketError::kProtocolNotSupported == WSAEPROTONOSUPPORT);
static_assert(SocketError::kSocketTypeNotSupported == WSAESOCKTNOSUPPORT);
static_assert(SocketError::kOperationNotSupported == WSAEOPNOTSUPP);
static_assert(SocketError::kProtocolFamilyNotSupported == WSAEPFNOSUPPORT);
static_assert(SocketError::kAddressFamilyNotSupported == WSAEAFNOSUPPORT);
static_assert(SocketError::kAddressInUse == WSAEADDRINUSE);
static_assert(SocketError::kAddressNotAvailable == WSAEADDRNOTAVAIL);
static_assert(SocketError::kNetworkDown == WSAENETDOWN);
static_assert(SocketError::kNetworkUnreachable == WSAENETUNREACH);
static_assert(SocketError::kNetworkReset == WSAENETRESET);
static_assert(SocketError::kConnectionAborted == WSAECONNABORTED);
static_assert(SocketError::kConnectionReset == WSAECONNRESET);
static_assert(SocketError::kNoBufferSpace == WSAENOBUFS);
static_assert(SocketError::kAlreadyConnected == WSAEISCONN);
static_assert(SocketError::kNotConnected == WSAENOTCONN);
static_assert(SocketError::kShutDown == WSAESHUTDOWN);
static_assert(SocketError::kTooManyReferences == WSAETOOMANYREFS);
static_assert(SocketError::kTimedOut == WSAETIMEDOUT);
static_assert(SocketError::kConnectionRefused == WSAECONNREFUSED);
static_assert(SocketError::kTooManyLinks == WSAELOOP);
static_assert(SocketError::kNameTooLong == WSAENAMETOOLONG);
static_assert(SocketError::kHostDown == WSAEHOSTDOWN);
static_assert(SocketError::kHostUnreachable == WSAEHOSTUNREACH);
static_assert(SocketError::kNotEmpty == WSAENOTEMPTY);
static_assert(SocketError::kTooManyProcesses == WSAEPROCLIM);
static_assert(SocketError::kTooManyUsers == WSAEUSERS);
static_assert(SocketError::kDiskQuota == WSAEDQUOT);
static_assert(SocketError::kStaleHandle == WSAESTALE);
static_assert(SocketError::kRemotePath == WSAEREMOTE);
static_assert(SocketError::kSystemNotReady == WSASYSNOTREADY);
static_assert(SocketError::kVersionNotSupported == WSAVERNOTSUPPORTED);
static_assert(SocketError::kNotInitialised == WSANOTINITIALISED);
static_assert(SocketError::kDisconnected == WSAEDISCON);
static_assert(SocketError::kTypeNotFound == WSATYPE_NOT_FOUND);
static_assert(SocketError::kHostNotFound == WSAHOST_NOT_FOUND);
static_assert(SocketError::kTryAgain == WSATRY_AGAIN);
static_assert(SocketError::kNoRecovery == WSANO_RECOVERY);
static_assert(SocketError::kNoData == WSANO_DATA);

using TWSAStartup = int(WSAAPI*)(WORD, LPWSADATA);
using TWSACleanup = int(WSAAPI*)();
using TWSAGetLastError = int(WSAAPI*)();
using TWSAIoctl = int(WSAAPI*)(SOCKET, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD,
                               LPWSAOVERLAPPED, LPWSAOVERLAPPED_COMPLETION_ROUTINE);
using TWSAFDIsSet = int(WSAAPI*)(SOCKET, fd_set*);
using TCloseSocket = int(WSAAPI*)(SOCKET);
using TIoctlSocket = int(WSAAPI*)(SOCKET, long, u_long*);
using TAccept = SOCKET(WSAAPI*)(SOCKET, sockaddr*, int*);
using TBind = int(WSAAPI*)(SOCKET, const sockaddr*, int);
using TConnect = int(WSAAPI*)(SOCKET, const sockaddr*, int);
using TGetName = int(WSAAPI*)(SOCKET, sockaddr*, int*);
using TGetSockOpt = int(WSAAPI*)(SOCKET, int, int, char*, int*);
using TSetSockOpt = int(WSAAPI*)(SOCKET, int, int, const char*, int);
using THtonl = u_long(WSAAPI*)(u_long);
using THtons = u_short(WSAAPI*)(u_short);
using TInetAddr = unsigned long(WSAAPI*)(const char*);
using TInetNtoa = char*(WSAAPI*)(in_addr);
using TListen = int(WSAAPI*)(SOCKET, int);
using TRecv = int(WSAAPI*)(SOCKET, char*, int, int);
using TRecvFrom = int(WSAAPI*)(SOCKET, char*, int, int, sockaddr*, int*);
using TSelect = int(WSAAPI*)(int, fd_set*, fd_set*, fd_set*, const timeval*);
using TSend = int(WSAAPI*)(SOCKET, const char*, int, int);
using TSendTo = int(WSAAPI*)(SOCKET, const char*, int, int, const sockaddr*, int);
using TShutdown = int(WSAAPI*)(SOCKET, int);
using TSocket = SOCKET(WSAAPI*)(int, int, int);
using TGetHostByAddr = hostent*(WSAAPI*)(const char*, int, int);
using TGetHostByName = hostent*(WSAAPI*)(const char*);
using TGetProtoByName = protoent*(WSAAPI*)(const char*);
using TGetProtoByNumber = protoent*(WSAAPI*)(int);
using TGetServByName = servent*(WSAAPI*)(const char*, const char*);
using TGetServByPort = servent*(WSAAPI*)(int, const char*);
using TGetHostName = int(WSAAPI*)(char*, int);
using TGetAddrInfo = int(WSAAPI*)(const char*, const char*, const addrinfo*, addrinfo**);
using TFreeAddrInfo = void(WSAAPI*)(addrinfo*);
using TGetNameInfo = int(WSAAPI*)(const sockaddr*, socklen_t, char*, DWORD, char*, DWORD, int);

// The entry points, in the order the library is asked for them.
struct TEntryPoints {
  TWSAIoctl WSAIoctl;
  TWSAFDIsSet WSAFDIsSet;
  TCloseSocket closesocket;
  TIoctlSocket ioctlsocket;
  TWSAGetLastError WSAGetLastError;
  TWSAStartup WSAStartup;
  TWSACleanup WSACleanup;
  TAccept accept;
  TBind bind;
  TConnect connect;
  TGetName getpeername;
  TGetName getsockname;
  TGetSockOpt getsockopt;
  THtonl htonl;
  THtons htons;
  TInetAddr inet_addr;
  TInetNtoa inet_ntoa;
  TListen listen;
  THtonl ntohl;
  THtons ntohs;
  TRecv recv;
  TRecvFrom recvfrom;
  TSelect select;
  TSend send;
  TSendTo sendto;
  TSetSockOpt setsockopt;
  TShutdown shutdown;
  TSocket socket;
  TGetHostByAddr gethostbyaddr;
  TGetHostByName gethostbyname;
  TGetProtoByName getprotobyname;
  TGetProtoByNumber getprotobynumber;
  TGetServByName getservbyname;
  TGetServByPort getservbyport;
  TGetHostName gethostname;
  TGetAddrInfo getaddrinfo;
  TFreeAddrInfo freeaddrinfo;
  TGetNameInfo getnameinfo;
};

constexpr const wchar_t* kIPv6SupportLibrary = L"wship6.dll";
constexpr const char* kDefaultLibrary = "ws2_32.dll";
// The most sockets one wait hands to select; the layer's own sets hold far fewer.
constexpr size_t kMaxWaitSockets = 1024;

TEntryPoints gApi{};
HMODULE gLibrary = nullptr;
HMODULE gIPv6Library = nullptr;
int gUseCount = 0;

template <typename F>
void Take(HMODULE module, const char* name, F& entry) {
  entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void TakeEntryPoints(HMODULE m) {
  Take(m, "WSAIoctl", gApi.WSAIoctl);
  Take(m, "__WSAFDIsSet", gApi.WSAFDIsSet);
  Take(m, "closesocket", gApi.closesocket);
  Take(m, "ioctlsocket", gApi.ioctlsocket);
  Take(m, "WSAGetLastError", gApi.WSAGetLastError);
  Take(m, "WSAStartup", gApi.WSAStartup);
  Take(m, "WSACleanup", gApi.WSACleanup);
  Take(m, "accept", gApi.accept);
  Take(m, "bind", gApi.bind);
  Take(m, "connect", gApi.connect);
  Take(m, "getpeername", gApi.getpeername);
  Take(m, "getsockname", gApi.getsockname);
  Take(m, "getsockopt", gApi.getsockopt);
  Take(m, "htonl", gApi.htonl);
  Take(m, "htons", gApi.htons);
  Take(m, "inet_addr", gApi.inet_addr);
  Take(m, "inet_ntoa", gApi.inet_ntoa);
  Take(m, "listen", gApi.listen);
  Take(m, "ntohl", gApi.ntohl);
  Take(m, "ntohs", gApi.ntohs);
  Take(m, "recv", gApi.recv);
  Take(m, "recvfrom", gApi.recvfrom);
  Take(m, "select", gApi.select);
  Take(m, "send", gApi.send);
  Take(m, "sendto", gApi.sendto);
  Take(m, "setsockopt", gApi.setsockopt);
  Take(m, "shutdown", gApi.shutdown);
  Take(m, "socket", gApi.socket);
  Take(m, "gethostbyaddr", gApi.gethostbyaddr);
  Take(m, "gethostbyname", gApi.gethostbyname);
  Take(m, "getprotobyname", gApi.getprotobyname);
  Take(m, "getprotobynumber", gApi.getprotobynumber);
  Take(m, "getservbyname", gApi.getservbyname);
  Take(m, "getservbyport", gApi.getservbyport);
  Take(m, "gethostname", gApi.gethostname);
}

// The address-info functions, which older systems keep in the IPv6 support library.
bool TakeResolver(HMODULE m) {
  Take(m, "getaddrinfo", gApi.getaddrinfo);
  Take(m, "freeaddrinfo", gApi.freeaddrinfo);
  Take(m, "getnameinfo", gApi.getnameinfo);
  return gApi.getaddrinfo != nullptr && gApi.freeaddrinfo != nullptr && gApi.getnameinfo != nullptr;
}

int Fail(int code) {
  SockSetLastError(code);
  return kSocketError;
}

// The failure of the last library call, as the library reports it.
int FailLast() {
  return Fail(gApi.WSAGetLastError != nullptr ? gApi.WSAGetLastError() : WSANOTINITIALISED);
}

// A call into a library that is not bound (or lacks the function) fails as the library
// itself fails before start-up.
template <typename F>
bool Have(F entry) {
  if (entry != nullptr)
    return true;
  SockSetLastError(WSANOTINITIALISED);
  return false;
}

SOCKET Native(TSocketHandle socket) {
  return static_cast<SOCKET>(socket);
}

TSocketHandle Ours(SOCKET socket) {
  return socket == INVALID_SOCKET ? kInvalidSocket : static_cast<TSocketHandle>(socket);
}

// TVarSin is laid out as the system's IPv6 address record, which overlays the IPv4 one.
static_assert(sizeof(TVarSin) == sizeof(sockaddr_in6));
static_assert(sizeof(TLinger) == sizeof(linger));

int AddressLength(const TVarSin& sin) {
  return sin.AddressFamily == kAfInet6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

const sockaddr* AsNative(const TVarSin& sin) {
  return reinterpret_cast<const sockaddr*>(&sin);
}

TVarSin FromNative(const sockaddr* address, size_t length) {
  TVarSin sin;
  if (address != nullptr)
    std::memcpy(static_cast<void*>(&sin), address, length < sizeof(sin) ? length : sizeof(sin));
  return sin;
}

}  // namespace

bool SocketLibraryBind(const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(SocketLibraryLock());
  if (gUseCount > 0) {
    ++gUseCount;
    return true;
  }
  detail::SetSocketResolvers(false, false);
  const std::string library = name.empty() ? kDefaultLibrary : name;
  gLibrary = LoadLibraryW(Widen(library).c_str());
  if (gLibrary == nullptr)
    return false;
  TakeEntryPoints(gLibrary);
  const bool newResolver = TakeResolver(gLibrary);
  bool ipv6Resolver = false;
  if (!newResolver) {
    gIPv6Library = LoadLibraryW(kIPv6SupportLibrary);
    if (gIPv6Library != nullptr)
      ipv6Resolver = TakeResolver(gIPv6Library);
  }
  detail::SetSocketResolvers(newResolver, ipv6Resolver);
  ++gUseCount;
  return true;
}

void SocketLibraryRelease() {
  std::lock_guard<std::recursive_mutex> lock(SocketLibraryLock());
  if (gUseCount > 0)
    --gUseCount;
  if (gUseCount > 0)
    return;
  detail::SetSocketResolvers(false, false);
  gApi = TEntryPoints{};
  if (gIPv6Library != nullptr)
    FreeLibrary(gIPv6Library);
  if (gLibrary != nullptr)
    FreeLibrary(gLibrary);
  gIPv6Library = nullptr;
  gLibrary = nullptr;
}

int SocketLibraryUseCount() {
  std::lock_guard<std::recursive_mutex> lock(SocketLibraryLock());
  return gUseCount;
}

int SockStartup(uint16_t version, TWSAData& data) {
  if (!Have(gApi.WSAStartup))
    return WSASYSNOTREADY;
  WSADATA native{};
  const int code = gApi.WSAStartup(version, &native);
  if (code != 0)
    return code;
  data.wVersion = native.wVersion;
  data.wHighVersion = native.wHighVersion;
  data.szDescription = native.szDescription;
  data.szSystemStatus = native.szSystemStatus;
  data.iMaxSockets = native.iMaxSockets;
  data.iMaxUdpDg = native.iMaxUdpDg;
  return 0;
}

int SockCleanup() {
  if (!Have(gApi.WSACleanup))
    return kSocketError;
  return gApi.WSACleanup() == 0 ? 0 : FailLast();
}

// The library's codes are the Windows Sockets numbers already.
int SockMapErrno(int error) {
  return error;
}

TSocketHandle SockSocket(int family, int type, int protocol) {
  if (!Have(gApi.socket))
    return kInvalidSocket;
  const SOCKET s = gApi.socket(family, type, protocol);
  if (s == INVALID_SOCKET)
    FailLast();
  return Ours(s);
}

int SockClose(TSocketHandle socket) {
  if (!Have(gApi.closesocket))
    return kSocketError;
  return gApi.closesocket(Native(socket)) == 0 ? 0 : FailLast();
}

int SockBind(TSocketHandle socket, const TVarSin& address) {
  if (!Have(gApi.bind))
    return kSocketError;
  return gApi.bind(Native(socket), AsNative(address), AddressLength(address)) == 0 ? 0 : FailLast();
}

int SockConnect(TSocketHandle socket, const TVarSin& address) {
  if (!Have(gApi.connect))
    return kSocketError;
  return gApi.connect(Native(socket), AsNative(address), AddressLength(address)) == 0 ? 0
                                                                                      : FailLast();
}

int SockListen(TSocketHandle socket, int backlog) {
  if (!Have(gApi.listen))
    return kSocketError;
  return gApi.listen(Native(socket), backlog) == 0 ? 0 : FailLast();
}

TSocketHandle SockAccept(TSocketHandle socket, TVarSin* peer) {
  if (!Have(gApi.accept))
    return kInvalidSocket;
  sockaddr_storage native{};
  int length = sizeof(native);
  const SOCKET s = gApi.accept(Native(socket), reinterpret_cast<sockaddr*>(&native), &length);
  if (s == INVALID_SOCKET) {
    FailLast();
    return kInvalidSocket;
  }
  if (peer != nullptr)
    *peer = FromNative(reinterpret_cast<sockaddr*>(&native), static_cast<size_t>(length));
  return Ours(s);
}

int SockSend(TSocketHandle socket, const void* buffer, int length, int flags) {
  if (!Have(gApi.send))
    return kSocketError;
  const int n = gApi.send(Native(socket), static_cast<const char*>(buffer), length, flags);
  return n == SOCKET_ERROR ? FailLast() : n;
}

int SockRecv(TSocketHandle socket, void* buffer, int length, int flags) {
  if (!Have(gApi.recv))
    return kSocketError;
  const int n = gApi.recv(Native(socket), static_cast<char*>(buffer), length, flags);
  return n == SOCKET_ERROR ? FailLast() : n;
}

int SockSendTo(TSocketHandle socket, const void* buffer, int length, int flags, const TVarSin& to) {
  if (!Have(gApi.sendto))
    return kSocketError;
  const int n = gApi.sendto(Native(socket), static_cast<const char*>(buffer), length, flags,
                            AsNative(to), AddressLength(to));
  return n == SOCKET_ERROR ? FailLast() : n;
}

int SockRecvFrom(TSocketHandle socket, void* buffer, int length, int flags, TVarSin& from) {
  if (!Have(gApi.recvfrom))
    return kSocketError;
  sockaddr_storage native{};
  int addressLength = sizeof(native);
  const int n = gApi.recvfrom(Native(socket), static_cast<char*>(buffer), length, flags,
                              reinterpret_cast<sockaddr*>(&native), &addressLength);
  if (n == SOCKET_ERROR)
    return FailLast();
  from = FromNative(reinterpret_cast<sockaddr*>(&native), static_cast<size_t>(addressLength));
  return n;
}

int SockShutdown(TSocketHandle socket, int how) {
  if (!Have(gApi.shutdown))
    return kSocketError;
  return gApi.shutdown(Native(socket), how) == 0 ? 0 : FailLast();
}

int SockGetSockName(TSocketHandle socket, TVarSin& address) {
  if (!Have(gApi.getsockname))
    return kSocketError;
  sockaddr_storage native{};
  int length = sizeof(native);
  if (gApi.getsockname(Native(socket), reinterpret_cast<sockaddr*>(&native), &length) != 0)
    return FailLast();
  address = FromNative(reinterpret_cast<sockaddr*>(&native), static_cast<size_t>(length));
  return 0;
}

int SockGetPeerName(TSocketHandle socket, TVarSin& address) {
  if (!Have(gApi.getpeername))
    return kSocketError;
  sockaddr_storage native{};
  int length = sizeof(native);
  if (gApi.getpeername(Native(socket), reinterpret_cast<sockaddr*>(&native), &length) != 0)
    return FailLast();
  address = FromNative(reinterpret_cast<sockaddr*>(&native), static_cast<size_t>(length));
  return 0;
}

// Levels, names and values are the library's own: timeouts in milliseconds, the linger record.
int SockSetOpt(TSocketHandle socket, int level, int name, const void* value, int length) {
  if (!Have(gApi.setsockopt))
    return kSocketError;
  if (value == nullptr)
    return Fail(WSAEFAULT);
  return gApi.setsockopt(Native(socket), level, name, static_cast<const char*>(value), length) == 0
             ? 0
             : FailLast();
}

int SockGetOpt(TSocketHandle socket, int level, int name, void* value, int* length) {
  if (!Have(gApi.getsockopt))
    return kSocketError;
  if (value == nullptr || length == nullptr)
    return Fail(WSAEFAULT);
  return gApi.getsockopt(Native(socket), level, name, static_cast<char*>(value), length) == 0
             ? 0
             : FailLast();
}

int SockSetNonBlocking(TSocketHandle socket, bool enabled) {
  if (!Have(gApi.ioctlsocket))
    return kSocketError;
  u_long mode = enabled ? 1 : 0;
  return gApi.ioctlsocket(Native(socket), FIONBIO, &mode) == 0 ? 0 : FailLast();
}

int SockPendingBytes(TSocketHandle socket, uint32_t& count) {
  count = 0;
  if (!Have(gApi.ioctlsocket))
    return kSocketError;
  u_long n = 0;
  if (gApi.ioctlsocket(Native(socket), FIONREAD, &n) != 0)
    return FailLast();
  count = static_cast<uint32_t>(n);
  return 0;
}

int SockWait(const std::vector<TSocketHandle>& sockets, bool forWrite, int timeoutMs,
             std::vector<bool>& ready) {
  ready.assign(sockets.size(), false);
  if (!Have(gApi.select))
    return kSocketError;
  if (sockets.size() > kMaxWaitSockets)
    return Fail(WSAEINVAL);
  for (TSocketHandle socket : sockets) {
    if (socket == kInvalidSocket)
      return Fail(WSAENOTSOCK);
  }
  // The system's socket set is a count followed by the handles; the count takes the place of
  // the first handle (with its padding on 64-bit), so a set of any size is built in one vector.
  auto makeSet = [&sockets]() {
    std::vector<SOCKET> set(sockets.size() + 1, 0);
    *reinterpret_cast<u_int*>(set.data()) = static_cast<u_int>(sockets.size());
    for (size_t i = 0; i < sockets.size(); ++i)
      set[i + 1] = Native(sockets[i]);
    return set;
  };
  std::vector<SOCKET> wanted = makeSet();
  // A connection that failed shows in the exception set, not as writable: it counts as ready,
  // so that the next call on the socket returns the error.
  std::vector<SOCKET> failed = makeSet();
  timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int result =
      gApi.select(0, forWrite ? nullptr : reinterpret_cast<fd_set*>(wanted.data()),
                  forWrite ? reinterpret_cast<fd_set*>(wanted.data()) : nullptr,
                  reinterpret_cast<fd_set*>(failed.data()), timeoutMs < 0 ? nullptr : &limit);
  if (result == SOCKET_ERROR)
    return FailLast();
  int count = 0;
  for (const std::vector<SOCKET>* set : {&wanted, &failed}) {
    const u_int n = *reinterpret_cast<const u_int*>(set->data());
    for (u_int k = 0; k < n; ++k) {
      for (size_t i = 0; i < sockets.size(); ++i) {
        if (!ready[i] && Native(sockets[i]) == (*set)[k + 1]) {
          ready[i] = true;
          ++count;
        }
      }
    }
  }
  return count;
}

int SockGetAddrInfo(const std::string& host, const std::string& service, const TAddrHints& hints,
                    std::vector<TVarSin>& results) {
  results.clear();
  if (!Have(gApi.getaddrinfo) || !Have(gApi.freeaddrinfo))
    return SockLastError();
  addrinfo nativeHints{};
  nativeHints.ai_family = hints.family;
  nativeHints.ai_socktype = hints.socketType;
  nativeHints.ai_protocol = hints.protocol;
  nativeHints.ai_flags = hints.flags;
  addrinfo* list = nullptr;
  const int code =
      gApi.getaddrinfo(host.empty() ? nullptr : host.c_str(),
                       service.empty() ? nullptr : service.c_str(), &nativeHints, &list);
  if (code != 0) {
    SockSetLastError(code);
    return code;
  }
  for (addrinfo* p = list; p != nullptr; p = p->ai_next)
    results.push_back(FromNative(p->ai_addr, p->ai_addrlen));
  gApi.freeaddrinfo(list);
  return 0;
}

int SockGetNameInfo(const TVarSin& address, std::string& host, std::string& service, int flags) {
  constexpr DWORD kHostBuffer = 1025;
  constexpr DWORD kServiceBuffer = 32;
  if (!Have(gApi.getnameinfo))
    return SockLastError();
  char hostText[kHostBuffer] = {};
  char serviceText[kServiceBuffer] = {};
  const int code = gApi.getnameinfo(AsNative(address), AddressLength(address), hostText,
                                    kHostBuffer, serviceText, kServiceBuffer, flags);
  if (code != 0) {
    SockSetLastError(code);
    return code;
  }
  host = hostText;
  service = serviceText;
  return 0;
}

uint32_t SockInetAddr(const std::string& text) {
  if (!Have(gApi.inet_addr))
    return 0xFFFFFFFFu;
  return static_cast<uint32_t>(gApi.inet_addr(text.c_str()));
}

std::string SockInetNtoa(const uint8_t addr[4]) {
  if (!Have(gApi.inet_ntoa))
    return {};
  in_addr a;
  std::memcpy(&a, addr, 4);
  const char* text = gApi.inet_ntoa(a);
  return text != nullptr ? text : "";
}

bool SockGetHostByName(const std::string& name, std::vector<uint32_t>& addresses) {
  addresses.clear();
  if (!Have(gApi.gethostbyname))
    return false;
  const hostent* result = gApi.gethostbyname(name.c_str());
  if (result == nullptr) {
    FailLast();
    return false;
  }
  return detail::TakeIPv4Addresses(result->h_addrtype == AF_INET, result->h_addr_list, addresses);
}

bool SockGetHostByAddr(const uint8_t addr[4], std::string& name) {
  if (!Have(gApi.gethostbyaddr))
    return false;
  const hostent* result = gApi.gethostbyaddr(reinterpret_cast<const char*>(addr), 4, AF_INET);
  if (result == nullptr || result->h_name == nullptr) {
    FailLast();
    return false;
  }
  name = result->h_name;
  return true;
}

int SockGetServByName(const std::string& service, const std::string& protocol) {
  if (!Have(gApi.getservbyname))
    return -1;
  const servent* result = gApi.getservbyname(service.c_str(), protocol.c_str());
  if (result == nullptr)
    return -1;
  return SockNtohs(static_cast<uint16_t>(result->s_port));
}

std::string SockGetProtoByNumber(int protocol) {
  if (!Have(gApi.getprotobynumber))
    return {};
  const protoent* result = gApi.getprotobynumber(protocol);
  if (result == nullptr || result->p_name == nullptr)
    return {};
  return result->p_name;
}

int SockGetHostName(std::string& name) {
  constexpr int kNameBuffer = 255;
  if (!Have(gApi.gethostname))
    return kSocketError;
  char text[kNameBuffer + 1] = {};
  if (gApi.gethostname(text, kNameBuffer) != 0)
    return FailLast();
  name = text;
  return 0;
}

}  // namespace platform
