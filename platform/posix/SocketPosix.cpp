#include "platform/Socket.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>

#include "platform/Clock.h"
#include "platform/SocketError.h"

namespace platform {

namespace {

int gUseCount = 0;

using namespace SocketError;
// A resolver out of memory reports the system's own code, as Windows does.
constexpr int kNotEnoughMemory = 8;

int Fail(int code) {
  SockSetLastError(code);
  return kSocketError;
}

int FailErrno() {
  return Fail(SockMapErrno(errno));
}

int NativeFamily(int family) {
  if (family == kAfInet) {
    return AF_INET;
  }
  if (family == kAfInet6) {
    return AF_INET6;
  }
  return AF_UNSPEC;
}

int OurFamily(int family) {
  if (family == AF_INET) {
    return kAfInet;
  }
  if (family == AF_INET6) {
    return kAfInet6;
  }
  return family == AF_UNSPEC ? kAfUnspec : family;
}

int NativeType(int type) {
  switch (type) {
    case kSockStream:
      return SOCK_STREAM;
    case kSockDgram:
      return SOCK_DGRAM;
    case kSockRaw:
      return SOCK_RAW;
    default:
      return type;
  }
}

int OurType(int type) {
  switch (type) {
    case SOCK_STREAM:
      return kSockStream;
    case SOCK_DGRAM:
      return kSockDgram;
    case SOCK_RAW:
      return kSockRaw;
    default:
      return type;
  }
}

socklen_t ToNative(const TVarSin& sin, sockaddr_storage& out) {
  std::memset(&out, 0, sizeof(out));
  if (sin.AddressFamily == kAfInet6) {
    auto* a = reinterpret_cast<sockaddr_in6*>(&out);
    a->sin6_family = AF_INET6;
    a->sin6_port = sin.sin_port;
    a->sin6_flowinfo = sin.v6.sin6_flowinfo;
    std::memcpy(&a->sin6_addr, sin.v6.sin6_addr, 16);
    a->sin6_scope_id = sin.v6.sin6_scope_id;
    return sizeof(sockaddr_in6);
  }
  auto* a = reinterpret_cast<sockaddr_in*>(&out);
  a->sin_family = sin.AddressFamily == kAfInet ? AF_INET : NativeFamily(sin.AddressFamily);
  a->sin_port = sin.sin_port;
  std::memcpy(&a->sin_addr, sin.v4.sin_addr, 4);
  return sizeof(sockaddr_in);
}

TVarSin FromNative(const sockaddr* address) {
  TVarSin sin;
  if (address == nullptr) {
    return sin;
  }
  if (address->sa_family == AF_INET6) {
    const auto* a = reinterpret_cast<const sockaddr_in6*>(address);
    sin.AddressFamily = kAfInet6;
    sin.sin_port = a->sin6_port;
    sin.v6.sin6_flowinfo = a->sin6_flowinfo;
    std::memcpy(sin.v6.sin6_addr, &a->sin6_addr, 16);
    sin.v6.sin6_scope_id = a->sin6_scope_id;
  } else if (address->sa_family == AF_INET) {
    const auto* a = reinterpret_cast<const sockaddr_in*>(address);
    sin.AddressFamily = kAfInet;
    sin.sin_port = a->sin_port;
    std::memcpy(sin.v4.sin_addr, &a->sin_addr, 4);
  } else {
    sin.AddressFamily = OurFamily(address->sa_family);
  }
  return sin;
}

int MapAddrInfoError(int code) {
  switch (code) {
    case 0:
      return 0;
    case EAI_NONAME:
      return kHostNotFound;
    case EAI_AGAIN:
      return kTryAgain;
    case EAI_FAIL:
      return kNoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA:
      return kNoData;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
      return kNoData;
#endif
    case EAI_SERVICE:
      return kTypeNotFound;
    case EAI_FAMILY:
      return kAddressFamilyNotSupported;
    case EAI_SOCKTYPE:
      return kSocketTypeNotSupported;
    case EAI_BADFLAGS:
      return kInvalidArgument;
    case EAI_MEMORY:
      return kNotEnoughMemory;
    case EAI_SYSTEM:
      return SockMapErrno(errno);
    default:
      return kNoRecovery;
  }
}

int MapHostError(int code) {
  switch (code) {
    case HOST_NOT_FOUND:
      return kHostNotFound;
    case TRY_AGAIN:
      return kTryAgain;
    case NO_RECOVERY:
      return kNoRecovery;
    case NO_DATA:
      return kNoData;
    default:
      return kHostNotFound;
  }
}

// Translates a Windows Sockets option level and name; false when the platform has none.
bool NativeOption(int level, int name, int& nativeLevel, int& nativeName) {
  if (level == kSolSocket) {
    nativeLevel = SOL_SOCKET;
    switch (name) {
      case kSoReuseAddr:
        nativeName = SO_REUSEADDR;
        return true;
      case kSoBroadcast:
        nativeName = SO_BROADCAST;
        return true;
      case kSoLinger:
        nativeName = SO_LINGER;
        return true;
      case kSoSndBuf:
        nativeName = SO_SNDBUF;
        return true;
      case kSoRcvBuf:
        nativeName = SO_RCVBUF;
        return true;
      case kSoSndTimeo:
        nativeName = SO_SNDTIMEO;
        return true;
      case kSoRcvTimeo:
        nativeName = SO_RCVTIMEO;
        return true;
      case kSoError:
        nativeName = SO_ERROR;
        return true;
      case kSoType:
        nativeName = SO_TYPE;
        return true;
      default:
        return false;
    }
  }
  if (level == kIpProtoIp) {
    nativeLevel = IPPROTO_IP;
    switch (name) {
      case kIpTtl:
        nativeName = IP_TTL;
        return true;
      case kIpMulticastTtl:
        nativeName = IP_MULTICAST_TTL;
        return true;
      case kIpMulticastLoop:
        nativeName = IP_MULTICAST_LOOP;
        return true;
      default:
        return false;
    }
  }
  if (level == kIpProtoIpv6) {
    nativeLevel = IPPROTO_IPV6;
    switch (name) {
      case kIpv6UnicastHops:
        nativeName = IPV6_UNICAST_HOPS;
        return true;
      case kIpMulticastTtl:
        nativeName = IPV6_MULTICAST_HOPS;
        return true;
      case kIpMulticastLoop:
        nativeName = IPV6_MULTICAST_LOOP;
        return true;
      default:
        return false;
    }
  }
  if (level == kIpProtoTcp) {
    nativeLevel = IPPROTO_TCP;
    nativeName = name;
    return true;
  }
  return false;
}

int ToFd(TSocketHandle socket) {
  return static_cast<int>(socket);
}

}  // namespace

bool SocketLibraryBind(const std::string& name) {
  (void)name;  // nothing to load here: the sockets interface is part of the C library
  std::lock_guard<std::recursive_mutex> lock(SocketLibraryLock());
  if (gUseCount > 0) {
    ++gUseCount;
    return true;
  }
  detail::SetSocketResolvers(true, true);
  ++gUseCount;
  return true;
}

void SocketLibraryRelease() {
  std::lock_guard<std::recursive_mutex> lock(SocketLibraryLock());
  if (gUseCount > 0) {
    --gUseCount;
  }
  if (gUseCount == 0) {
    detail::SetSocketResolvers(false, false);
  }
}

int SocketLibraryUseCount() {
  std::lock_guard<std::recursive_mutex> lock(SocketLibraryLock());
  return gUseCount;
}

int SockStartup(uint16_t version, TWSAData& data) {
  data.wVersion = version;
  data.wHighVersion = 0x0202;
  data.szDescription = "POSIX sockets";
  data.szSystemStatus = "Running";
  data.iMaxSockets = 0;
  data.iMaxUdpDg = 0;
  return 0;
}

int SockCleanup() {
  return 0;
}

int SockMapErrno(int error) {
  switch (error) {
    case 0:
      return 0;
    case EINTR:
      return kInterrupted;
    case EBADF:
      return kBadFile;
    case EACCES:
    case EPERM:
      return kAccessDenied;
    case EFAULT:
      return kBadAddress;
    case EINVAL:
      return kInvalidArgument;
    case EMFILE:
    case ENFILE:
      return kTooManyOpenSockets;
    case EWOULDBLOCK:
      return kWouldBlock;
    case EINPROGRESS:
      return kInProgress;
    case EALREADY:
      return kAlreadyInProgress;
    case ENOTSOCK:
      return kNotASocket;
    case EDESTADDRREQ:
      return kDestinationRequired;
    case EMSGSIZE:
      return kMessageTooLong;
    case EPROTOTYPE:
      return kWrongProtocolType;
    case ENOPROTOOPT:
      return kBadProtocolOption;
    case EPROTONOSUPPORT:
      return kProtocolNotSupported;
    case ESOCKTNOSUPPORT:
      return kSocketTypeNotSupported;
    case EOPNOTSUPP:
      return kOperationNotSupported;
    case EPFNOSUPPORT:
      return kProtocolFamilyNotSupported;
    case EAFNOSUPPORT:
      return kAddressFamilyNotSupported;
    case EADDRINUSE:
      return kAddressInUse;
    case EADDRNOTAVAIL:
      return kAddressNotAvailable;
    case ENETDOWN:
      return kNetworkDown;
    case ENETUNREACH:
      return kNetworkUnreachable;
    case ENETRESET:
      return kNetworkReset;
    case ECONNABORTED:
      return kConnectionAborted;
    case ECONNRESET:
    case EPIPE:  // a send to a peer that has gone, reported as Windows does
      return kConnectionReset;
    case ENOBUFS:
    case ENOMEM:
      return kNoBufferSpace;
    case EISCONN:
      return kAlreadyConnected;
    case ENOTCONN:
      return kNotConnected;
    case ESHUTDOWN:
      return kShutDown;
    case ETOOMANYREFS:
      return kTooManyReferences;
    case ETIMEDOUT:
      return kTimedOut;
    case ECONNREFUSED:
      return kConnectionRefused;
    case ELOOP:
      return kTooManyLinks;
    case ENAMETOOLONG:
      return kNameTooLong;
    case EHOSTDOWN:
      return kHostDown;
    case EHOSTUNREACH:
      return kHostUnreachable;
    case ENOTEMPTY:
      return kNotEmpty;
    case EUSERS:
      return kTooManyUsers;
    case EDQUOT:
      return kDiskQuota;
    case ESTALE:
      return kStaleHandle;
    case EREMOTE:
      return kRemotePath;
    default:
      return kUnmappedBase + error;
  }
}

TSocketHandle SockSocket(int family, int type, int protocol) {
  const int fd = ::socket(NativeFamily(family), NativeType(type) | SOCK_CLOEXEC, protocol);
  if (fd < 0) {
    FailErrno();
    return kInvalidSocket;
  }
  return fd;
}

int SockClose(TSocketHandle socket) {
  if (::close(ToFd(socket)) != 0) {
    return FailErrno();
  }
  return 0;
}

int SockBind(TSocketHandle socket, const TVarSin& address) {
  sockaddr_storage native;
  const socklen_t length = ToNative(address, native);
  if (::bind(ToFd(socket), reinterpret_cast<sockaddr*>(&native), length) != 0) {
    return FailErrno();
  }
  return 0;
}

int SockConnect(TSocketHandle socket, const TVarSin& address) {
  sockaddr_storage native;
  const socklen_t length = ToNative(address, native);
  int result = ::connect(ToFd(socket), reinterpret_cast<sockaddr*>(&native), length);
  // A signal during a blocking connect leaves the attempt running; wait for its outcome as
  // the platform's connect would.
  if (result != 0 && errno == EINTR) {
    pollfd p{ToFd(socket), POLLOUT, 0};
    while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
    int error = 0;
    socklen_t errorLength = sizeof(error);
    ::getsockopt(ToFd(socket), SOL_SOCKET, SO_ERROR, &error, &errorLength);
    if (error == 0) {
      return 0;
    }
    errno = error;
  }
  if (result != 0) {
    return FailErrno();
  }
  return 0;
}

int SockListen(TSocketHandle socket, int backlog) {
  if (::listen(ToFd(socket), backlog) != 0) {
    return FailErrno();
  }
  return 0;
}

TSocketHandle SockAccept(TSocketHandle socket, TVarSin* peer) {
  sockaddr_storage native;
  socklen_t length = sizeof(native);
  int fd;
  do {
    fd = ::accept4(ToFd(socket), reinterpret_cast<sockaddr*>(&native), &length, SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    FailErrno();
    return kInvalidSocket;
  }
  if (peer != nullptr) {
    *peer = FromNative(reinterpret_cast<sockaddr*>(&native));
  }
  return fd;
}

int SockSend(TSocketHandle socket, const void* buffer, int length, int flags) {
  (void)flags;
  ssize_t n;
  // MSG_NOSIGNAL: a peer that has gone gives an error code, not a signal that ends the program.
  do {
    n = ::send(ToFd(socket), buffer, static_cast<size_t>(length), MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    return FailErrno();
  }
  return static_cast<int>(n);
}

int SockRecv(TSocketHandle socket, void* buffer, int length, int flags) {
  const int nativeFlags = (flags & kMsgPeek) ? MSG_PEEK : 0;
  ssize_t n;
  do {
    n = ::recv(ToFd(socket), buffer, static_cast<size_t>(length), nativeFlags);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    return FailErrno();
  }
  return static_cast<int>(n);
}

int SockSendTo(TSocketHandle socket, const void* buffer, int length, int flags, const TVarSin& to) {
  (void)flags;
  sockaddr_storage native;
  const socklen_t addressLength = ToNative(to, native);
  ssize_t n;
  do {
    n = ::sendto(ToFd(socket), buffer, static_cast<size_t>(length), MSG_NOSIGNAL,
                 reinterpret_cast<sockaddr*>(&native), addressLength);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    return FailErrno();
  }
  return static_cast<int>(n);
}

int SockRecvFrom(TSocketHandle socket, void* buffer, int length, int flags, TVarSin& from) {
  const int nativeFlags = (flags & kMsgPeek) ? MSG_PEEK : 0;
  sockaddr_storage native;
  socklen_t addressLength = sizeof(native);
  ssize_t n;
  do {
    n = ::recvfrom(ToFd(socket), buffer, static_cast<size_t>(length), nativeFlags,
                   reinterpret_cast<sockaddr*>(&native), &addressLength);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    return FailErrno();
  }
  from = FromNative(reinterpret_cast<sockaddr*>(&native));
  return static_cast<int>(n);
}

int SockShutdown(TSocketHandle socket, int how) {
  int nativeHow = SHUT_RDWR;
  if (how == kShutReceive) {
    nativeHow = SHUT_RD;
  } else if (how == kShutSend) {
    nativeHow = SHUT_WR;
  }
  if (::shutdown(ToFd(socket), nativeHow) != 0) {
    return FailErrno();
  }
  return 0;
}

int SockGetSockName(TSocketHandle socket, TVarSin& address) {
  sockaddr_storage native;
  socklen_t length = sizeof(native);
  if (::getsockname(ToFd(socket), reinterpret_cast<sockaddr*>(&native), &length) != 0) {
    return FailErrno();
  }
  address = FromNative(reinterpret_cast<sockaddr*>(&native));
  return 0;
}

int SockGetPeerName(TSocketHandle socket, TVarSin& address) {
  sockaddr_storage native;
  socklen_t length = sizeof(native);
  if (::getpeername(ToFd(socket), reinterpret_cast<sockaddr*>(&native), &length) != 0) {
    return FailErrno();
  }
  address = FromNative(reinterpret_cast<sockaddr*>(&native));
  return 0;
}

int SockSetOpt(TSocketHandle socket, int level, int name, const void* value, int length) {
  int nativeLevel = 0;
  int nativeName = 0;
  if (!NativeOption(level, name, nativeLevel, nativeName) || value == nullptr) {
    return Fail(kBadProtocolOption);
  }
  int result = 0;
  if (level == kSolSocket && (name == kSoRcvTimeo || name == kSoSndTimeo)) {
    // The caller's timeout is milliseconds, as the Windows option takes it.
    const int32_t ms = *static_cast<const int32_t*>(value);
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    result = ::setsockopt(ToFd(socket), nativeLevel, nativeName, &tv, sizeof(tv));
  } else if (level == kSolSocket && name == kSoLinger) {
    const auto* l = static_cast<const TLinger*>(value);
    linger native{l->l_onoff, l->l_linger};
    result = ::setsockopt(ToFd(socket), nativeLevel, nativeName, &native, sizeof(native));
  } else {
    result =
        ::setsockopt(ToFd(socket), nativeLevel, nativeName, value, static_cast<socklen_t>(length));
  }
  return result == 0 ? 0 : FailErrno();
}

int SockGetOpt(TSocketHandle socket, int level, int name, void* value, int* length) {
  int nativeLevel = 0;
  int nativeName = 0;
  if (!NativeOption(level, name, nativeLevel, nativeName) || value == nullptr ||
      length == nullptr) {
    return Fail(kBadProtocolOption);
  }
  if (level == kSolSocket && (name == kSoRcvTimeo || name == kSoSndTimeo)) {
    timeval tv{};
    socklen_t l = sizeof(tv);
    if (::getsockopt(ToFd(socket), nativeLevel, nativeName, &tv, &l) != 0) {
      return FailErrno();
    }
    *static_cast<int32_t*>(value) = static_cast<int32_t>(tv.tv_sec * 1000 + tv.tv_usec / 1000);
    *length = sizeof(int32_t);
    return 0;
  }
  if (level == kSolSocket && name == kSoLinger) {
    linger native{};
    socklen_t l = sizeof(native);
    if (::getsockopt(ToFd(socket), nativeLevel, nativeName, &native, &l) != 0) {
      return FailErrno();
    }
    auto* out = static_cast<TLinger*>(value);
    out->l_onoff = static_cast<uint16_t>(native.l_onoff);
    out->l_linger = static_cast<uint16_t>(native.l_linger);
    *length = sizeof(TLinger);
    return 0;
  }
  socklen_t l = static_cast<socklen_t>(*length);
  if (::getsockopt(ToFd(socket), nativeLevel, nativeName, value, &l) != 0) {
    return FailErrno();
  }
  if (level == kSolSocket && name == kSoType && l == sizeof(int)) {
    *static_cast<int*>(value) = OurType(*static_cast<int*>(value));
  }
  if (level == kSolSocket && name == kSoError && l == sizeof(int)) {
    *static_cast<int*>(value) = SockMapErrno(*static_cast<int*>(value));
  }
  *length = static_cast<int>(l);
  return 0;
}

int SockSetNonBlocking(TSocketHandle socket, bool enabled) {
  const int flags = ::fcntl(ToFd(socket), F_GETFL, 0);
  if (flags < 0) {
    return FailErrno();
  }
  const int wanted = enabled ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  if (::fcntl(ToFd(socket), F_SETFL, wanted) != 0) {
    return FailErrno();
  }
  return 0;
}

int SockPendingBytes(TSocketHandle socket, uint32_t& count) {
  int n = 0;
  if (::ioctl(ToFd(socket), FIONREAD, &n) != 0) {
    count = 0;
    return FailErrno();
  }
  count = n > 0 ? static_cast<uint32_t>(n) : 0;
  return 0;
}

int SockWait(const std::vector<TSocketHandle>& sockets, bool forWrite, int timeoutMs,
             std::vector<bool>& ready) {
  ready.assign(sockets.size(), false);
  // poll skips negative descriptors silently; a wait on no socket is an error, as it is on the
  // platform the layer was written for, not a wait that runs out its whole time.
  for (TSocketHandle socket : sockets) {
    if (socket < 0) {
      return Fail(kNotASocket);
    }
  }
  std::vector<pollfd> fds(sockets.size());
  for (size_t i = 0; i < sockets.size(); ++i) {
    fds[i].fd = ToFd(sockets[i]);
    fds[i].events = forWrite ? POLLOUT : POLLIN;
    fds[i].revents = 0;
  }
  const uint32_t start = TickCount32();
  int remaining = timeoutMs;
  int result;
  while (true) {
    result = ::poll(fds.data(), fds.size(), remaining < 0 ? -1 : remaining);
    if (result >= 0 || errno != EINTR) {
      break;
    }
    // A signal cut the wait short: wait out the rest of the time the caller gave.
    if (timeoutMs >= 0) {
      const uint32_t spent = TickCount32() - start;
      remaining =
          spent >= static_cast<uint32_t>(timeoutMs) ? 0 : timeoutMs - static_cast<int>(spent);
    }
  }
  if (result < 0) {
    return FailErrno();
  }
  int count = 0;
  for (size_t i = 0; i < fds.size(); ++i) {
    if (fds[i].revents & POLLNVAL) {
      return Fail(kNotASocket);
    }
    // A closed or failed connection counts as ready, as select reports it: the next call on
    // the socket then returns the end or the error.
    const short wanted = static_cast<short>((forWrite ? POLLOUT : POLLIN) | POLLERR | POLLHUP);
    if (fds[i].revents & wanted) {
      ready[i] = true;
      ++count;
    }
  }
  return count;
}

int SockGetAddrInfo(const std::string& host, const std::string& service, const TAddrHints& hints,
                    std::vector<TVarSin>& results) {
  results.clear();
  addrinfo nativeHints{};
  nativeHints.ai_family = NativeFamily(hints.family);
  nativeHints.ai_socktype = hints.socketType == 0 ? 0 : NativeType(hints.socketType);
  nativeHints.ai_protocol = hints.protocol;
  nativeHints.ai_flags = (hints.flags & kAiPassive) ? AI_PASSIVE : 0;
  addrinfo* list = nullptr;
  const int code = ::getaddrinfo(host.empty() ? nullptr : host.c_str(),
                                 service.empty() ? nullptr : service.c_str(), &nativeHints, &list);
  if (code != 0) {
    SockSetLastError(MapAddrInfoError(code));
    return SockLastError();
  }
  for (addrinfo* p = list; p != nullptr; p = p->ai_next) {
    results.push_back(FromNative(p->ai_addr));
  }
  ::freeaddrinfo(list);
  return 0;
}

int SockGetNameInfo(const TVarSin& address, std::string& host, std::string& service, int flags) {
  constexpr size_t kHostBuffer = 1025;
  constexpr size_t kServiceBuffer = 32;
  sockaddr_storage native;
  const socklen_t length = ToNative(address, native);
  char hostText[kHostBuffer] = {};
  char serviceText[kServiceBuffer] = {};
  int nativeFlags = 0;
  if (flags & kNiNumericHost) {
    nativeFlags |= NI_NUMERICHOST;
  }
  if (flags & kNiNumericServ) {
    nativeFlags |= NI_NUMERICSERV;
  }
  const int code = ::getnameinfo(reinterpret_cast<sockaddr*>(&native), length, hostText,
                                 kHostBuffer, serviceText, kServiceBuffer, nativeFlags);
  if (code != 0) {
    SockSetLastError(MapAddrInfoError(code));
    return SockLastError();
  }
  host = hostText;
  service = serviceText;
  return 0;
}

uint32_t SockInetAddr(const std::string& text) {
  in_addr a{};
  if (::inet_aton(text.c_str(), &a) == 0) {
    return 0xFFFFFFFFu;
  }
  return a.s_addr;
}

std::string SockInetNtoa(const uint8_t addr[4]) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, addr, text, sizeof(text));
  return text;
}

bool SockGetHostByName(const std::string& name, std::vector<uint32_t>& addresses) {
  addresses.clear();
  // The reentrant variant keeps its result in our buffer; callers still hold the library lock
  // as the old interface requires.
  hostent entry{};
  hostent* result = nullptr;
  std::vector<char> buffer(8192);
  int hostError = 0;
  const int code =
      ::gethostbyname_r(name.c_str(), &entry, buffer.data(), buffer.size(), &result, &hostError);
  if (code != 0 || result == nullptr) {
    SockSetLastError(MapHostError(hostError));
    return false;
  }
  return detail::TakeIPv4Addresses(result->h_addrtype == AF_INET, result->h_addr_list, addresses);
}

bool SockGetHostByAddr(const uint8_t addr[4], std::string& name) {
  hostent entry{};
  hostent* result = nullptr;
  std::vector<char> buffer(8192);
  int hostError = 0;
  const int code = ::gethostbyaddr_r(addr, 4, AF_INET, &entry, buffer.data(), buffer.size(),
                                     &result, &hostError);
  if (code != 0 || result == nullptr || result->h_name == nullptr) {
    SockSetLastError(MapHostError(hostError));
    return false;
  }
  name = result->h_name;
  return true;
}

int SockGetServByName(const std::string& service, const std::string& protocol) {
  servent entry{};
  servent* result = nullptr;
  std::vector<char> buffer(4096);
  if (::getservbyname_r(service.c_str(), protocol.c_str(), &entry, buffer.data(), buffer.size(),
                        &result) != 0 ||
      result == nullptr) {
    return -1;
  }
  return ntohs(static_cast<uint16_t>(result->s_port));
}

std::string SockGetProtoByNumber(int protocol) {
  protoent entry{};
  protoent* result = nullptr;
  std::vector<char> buffer(4096);
  if (::getprotobynumber_r(protocol, &entry, buffer.data(), buffer.size(), &result) != 0 ||
      result == nullptr || result->p_name == nullptr) {
    return std::string();
  }
  return result->p_name;
}

int SockGetHostName(std::string& name) {
  constexpr size_t kNameBuffer = 255;
  char text[kNameBuffer + 1] = {};
  if (::gethostname(text, kNameBuffer) != 0) {
    return FailErrno();
  }
  name = text;
  return 0;
}

}  // namespace platform
