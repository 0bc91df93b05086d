#include "net/BlockingSocket.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "net/ProtoAddress.h"
#include "net/ProtoBytes.h"
#include "net/ProtoText.h"
#include "net/ProtoTicks.h"
#include "net/SocketResolver.h"

namespace net {

namespace {

using platform::kInvalidSocket;

constexpr const char* kDefaultLibrary = "ws2_32.dll";
constexpr const char* kLoadErrorText = "Error loading Socket interface (ws2_32.dll)!";
constexpr uint16_t kWinsockVersion = 0x0202;
constexpr int32_t kSizeBufferOnError = 1024;

platform::TWSAData gWSAData;

std::string LittleEndian32(int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  std::string result(4, '\0');
  for (int i = 0; i < 4; ++i) {
    result[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  return result;
}

void CleanupSocketInterface() {
  platform::SockCleanup();
  DestroySocketInterface();
}

}  // namespace

bool InitSocketInterface(const std::string& stub) {
  return platform::SocketLibraryBind(stub.empty() ? kDefaultLibrary : stub);
}

bool DestroySocketInterface() {
  platform::SocketLibraryRelease();
  return true;
}

void StartSocketInterface() {
  // Started once for the process; a failure throws and leaves the next caller to try again.
  static const bool started = [] {
    if (!InitSocketInterface("")) {
      throw ETramaError(kLoadErrorText, 0, kLoadErrorText);
    }
    platform::SockStartup(kWinsockVersion, gWSAData);
    std::atexit(CleanupSocketInterface);
    return true;
  }();
  (void)started;
}

// ---------------------------------------------------------------------------------------------
// Life cycle

TBlockingSocket::TBlockingSocket() : TBlockingSocket(std::string()) {}

TBlockingSocket::TBlockingSocket(const std::string& Stub) {
  (void)Stub;
  StartSocketInterface();
}

TBlockingSocket::~TBlockingSocket() {
  // The owners of the hooks are being torn down with this socket, so the handle is closed
  // without reporting to them.
  if (FSocket != kInvalidSocket) {
    platform::SockClose(FSocket);
    FSocket = kInvalidSocket;
  }
  FDelayedOptions.clear();
}

void TBlockingSocket::SetFamily(TSocketFamily Value) {
  FFamily = Value;
  FFamilySave = Value;
}

void TBlockingSocket::SetSocket(TSocketHandle Value) {
  FRecvCounter = 0;
  FSendCounter = 0;
  FSocket = Value;
  FFDSet.assign(1, FSocket);
  GetSins();
  FIP6used = FRemoteSin.AddressFamily == platform::kAfInet6;
}

int32_t TBlockingSocket::FamilyToAF(TSocketFamily Value) const {
  switch (Value) {
    case SF_IP4:
      return platform::kAfInet;
    case SF_IP6:
      return platform::kAfInet6;
    default:
      return platform::kAfUnspec;
  }
}

void TBlockingSocket::InternalCreateSocket(const TVarSin& Sin) {
  FStopFlag = false;
  FRecvCounter = 0;
  FSendCounter = 0;
  ResetLastError();
  if (FSocket != kInvalidSocket) {
    return;
  }
  FBuffer.clear();
  FBinded = false;
  FIP6used = Sin.AddressFamily == platform::kAfInet6;
  FSocket = platform::SockSocket(Sin.AddressFamily, GetSocketType(), GetSocketProtocol());
  if (FSocket == kInvalidSocket) {
    FLastError = platform::SockLastError();
  }
  FFDSet.assign(1, FSocket);
  ExceptCheck();
  DoStatus(HR_SocketCreate, FIP6used ? "IPv6" : "IPv4");
  ProcessDelayedOptions();
  DoCreateSocket();
}

void TBlockingSocket::CreateSocket() {
  ResetLastError();
  if (FFamily == SF_Any || FSocket != kInvalidSocket) {
    return;
  }
  TVarSin sin;
  sin.AddressFamily = FFamily == SF_IP6 ? platform::kAfInet6 : platform::kAfInet;
  InternalCreateSocket(sin);
}

void TBlockingSocket::CreateSocketByName(const std::string& Value) {
  ResetLastError();
  if (FSocket != kInvalidSocket) {
    return;
  }
  TVarSin sin;
  if (ResolveAddress(Value, "0", sin) == 0) {
    InternalCreateSocket(sin);
  }
}

void TBlockingSocket::AbortSocket() {
  if (FSocket != kInvalidSocket) {
    platform::SockClose(FSocket);
  }
  FSocket = kInvalidSocket;
  FSendTimeout = 0;
  FFDSet.clear();
  FDelayedOptions.clear();
  FFamily = FFamilySave;
  DoStatus(HR_SocketClose, "");
}

void TBlockingSocket::CloseSocket() {
  AbortSocket();
}

// ---------------------------------------------------------------------------------------------
// Hooks

void TBlockingSocket::DoStatus(THookSocketReason Reason, const std::string& Value) {
  if (FOnStatus) {
    FOnStatus(this, Reason, Value);
  }
}

void TBlockingSocket::DoReadFilter(void* Buffer, int32_t& Length) {
  if (!FOnReadFilter || Length <= 0) {
    return;
  }
  std::string data(static_cast<const char*>(Buffer), static_cast<size_t>(Length));
  FOnReadFilter(this, data);
  // A filter may shorten the data but never write past what the caller's buffer holds.
  if (data.size() > static_cast<size_t>(Length)) {
    data.resize(static_cast<size_t>(Length));
  }
  std::memcpy(Buffer, data.data(), data.size());
  Length = static_cast<int32_t>(data.size());
}

void TBlockingSocket::DoMonitor(bool Writing, const void* Buffer, int32_t Length) {
  if (FOnMonitor) {
    FOnMonitor(this, Writing, Buffer, Length);
  }
}

void TBlockingSocket::DoCreateSocket() {
  if (FOnCreateSocket) {
    FOnCreateSocket(this);
  }
}

void TBlockingSocket::DoHeartbeat() {
  if (FOnHeartbeat && FHeartbeatRate != 0) {
    FOnHeartbeat(this);
  }
}

// ---------------------------------------------------------------------------------------------
// Errors

void TBlockingSocket::ResetLastError() {
  FLastError = 0;
  FLastErrorDesc.clear();
}

int32_t TBlockingSocket::SockCheck(int32_t SockResult) {
  ResetLastError();
  if (SockResult == platform::kSocketError) {
    FLastError = platform::SockLastError();
    FLastErrorDesc = GetErrorDescEx();
  }
  return FLastError;
}

void TBlockingSocket::ExceptCheck() {
  FLastErrorDesc = GetErrorDescEx();
  if (FLastError == 0 || FLastError == WSAEWOULDBLOCK || FLastError == WSAEINPROGRESS) {
    return;
  }
  DoStatus(HR_Error, std::to_string(FLastError) + "," + FLastErrorDesc);
  if (FRaiseExcept) {
    char message[512];
    std::snprintf(message, sizeof(message), "Trama TCP/IP Socket error %d: %s", FLastError,
                  FLastErrorDesc.c_str());
    throw ETramaError(message, FLastError, FLastErrorDesc);
  }
}

std::string TBlockingSocket::GetErrorDescEx() {
  return GetErrorDesc(FLastError);
}

std::string TBlockingSocket::GetErrorDesc(int32_t ErrorCode) {
  struct TErrorText {
    int32_t code;
    const char* text;
  };
  static constexpr TErrorText kTexts[] = {
      {0, ""},
      {10004, "Interrupted system call"},
      {10009, "Bad file number"},
      {10013, "Permission denied"},
      {10014, "Bad address"},
      {10022, "Invalid argument"},
      {10024, "Too many open files"},
      {10035, "Operation would block"},
      {10036, "Operation now in progress"},
      {10037, "Operation already in progress"},
      {10038, "Socket operation on nonsocket"},
      {10039, "Destination address required"},
      {10040, "Message too long"},
      {10041, "Protocol wrong type for Socket"},
      {10042, "Protocol not available"},
      {10043, "Protocol not supported"},
      {10044, "Socket not supported"},
      {10045, "Operation not supported on Socket"},
      {10046, "Protocol family not supported"},
      {10047, "Address family not supported"},
      {10048, "Address already in use"},
      {10049, "Can't assign requested address"},
      {10050, "Network is down"},
      {10051, "Network is unreachable"},
      {10052, "Network dropped connection on reset"},
      {10053, "Software caused connection abort"},
      {10054, "Connection reset by peer"},
      {10055, "No Buffer space available"},
      {10056, "Socket is already connected"},
      {10057, "Socket is not connected"},
      {10058, "Can't send after Socket shutdown"},
      {10059, "Too many references:can't splice"},
      {10060, "Connection timed out"},
      {10061, "Connection refused"},
      {10062, "Too many levels of symbolic links"},
      {10063, "File name is too long"},
      {10064, "Host is down"},
      {10065, "No route to host"},
      {10066, "Directory is not empty"},
      {10067, "Too many processes"},
      {10068, "Too many users"},
      {10069, "Disk quota exceeded"},
      {10070, "Stale NFS file handle"},
      {10071, "Too many levels of remote in path"},
      {10091, "Network subsystem is unusable"},
      {10092, "Winsock DLL cannot support this application"},
      {10093, "Winsock not initialized"},
      {10101, "Disconnect"},
      {11001, "Host not found"},
      {11002, "Non authoritative - host not found"},
      {11003, "Non recoverable error"},
      {11004, "Valid name, no data record of requested type"},
  };
  for (const TErrorText& entry : kTexts) {
    if (entry.code == ErrorCode) {
      return entry.text;
    }
  }
  return "Other Winsock error (" + std::to_string(ErrorCode) + ")";
}

// ---------------------------------------------------------------------------------------------
// Options

void TBlockingSocket::DelayedOption(const TTramaOption& Value) {
  if (FSocket == kInvalidSocket) {
    FDelayedOptions.push_back(Value);
    return;
  }
  SetOption(Value);
}

void TBlockingSocket::ProcessDelayedOptions() {
  std::vector<TTramaOption> queue;
  queue.swap(FDelayedOptions);
  for (const TTramaOption& option : queue) {
    SetOption(option);
  }
}

void TBlockingSocket::SetOption(const TTramaOption& Value) {
  using namespace platform;
  const int32_t enabled = Value.Enabled ? 1 : 0;
  const int ipLevel = FIP6used ? kIpProtoIpv6 : kIpProtoIp;
  // The results are not looked at: an option the platform refuses leaves the default.
  switch (Value.Option) {
    case SOT_Linger: {
      TLinger linger;
      linger.l_onoff = Value.Enabled ? 1 : 0;
      linger.l_linger = static_cast<uint16_t>(Value.Value / 1000);
      SockSetOpt(FSocket, kSolSocket, kSoLinger, &linger, sizeof(linger));
      break;
    }
    case SOT_RecvBuff:
      SockSetOpt(FSocket, kSolSocket, kSoRcvBuf, &Value.Value, sizeof(int32_t));
      break;
    case SOT_SendBuff:
      SockSetOpt(FSocket, kSolSocket, kSoSndBuf, &Value.Value, sizeof(int32_t));
      break;
    case SOT_NonBlock:
      SockSetNonBlocking(FSocket, Value.Enabled);
      FNonBlockMode = Value.Enabled;
      break;
    case SOT_RecvTimeout:
      SockSetOpt(FSocket, kSolSocket, kSoRcvTimeo, &Value.Value, sizeof(int32_t));
      break;
    case SOT_SendTimeout:
      SockSetOpt(FSocket, kSolSocket, kSoSndTimeo, &Value.Value, sizeof(int32_t));
      FSendTimeout = Value.Value;
      break;
    case SOT_Reuse:
      SockSetOpt(FSocket, kSolSocket, kSoReuseAddr, &enabled, sizeof(int32_t));
      break;
    case SOT_TTL:
      SockSetOpt(FSocket, ipLevel, FIP6used ? kIpv6UnicastHops : kIpTtl, &Value.Value,
                 sizeof(int32_t));
      break;
    case SOT_Broadcast:
      SockSetOpt(FSocket, kSolSocket, kSoBroadcast, &enabled, sizeof(int32_t));
      break;
    case SOT_MulticastTTL:
      SockSetOpt(FSocket, ipLevel, kIpMulticastTtl, &Value.Value, sizeof(int32_t));
      break;
    case SOT_MulticastLoop:
      SockSetOpt(FSocket, ipLevel, kIpMulticastLoop, &enabled, sizeof(int32_t));
      break;
  }
}

void TBlockingSocket::SetNonBlockMode(bool Value) {
  DelayedOption(TTramaOption{SOT_NonBlock, Value, 0});
}

void TBlockingSocket::SetMaxBandwidth(int32_t Value) {
  FMaxSendBandwidth = Value;
  FMaxRecvBandwidth = Value;
}

void TBlockingSocket::SetLinger(bool Enable, int32_t Linger) {
  DelayedOption(TTramaOption{SOT_Linger, Enable, Linger});
}

void TBlockingSocket::EnableReuse(bool Value) {
  DelayedOption(TTramaOption{SOT_Reuse, Value, 0});
}

void TBlockingSocket::SetTimeout(int32_t Timeout) {
  SetSendTimeout(Timeout);
  SetRecvTimeout(Timeout);
}

void TBlockingSocket::SetSendTimeout(int32_t Timeout) {
  DelayedOption(TTramaOption{SOT_SendTimeout, false, Timeout});
}

void TBlockingSocket::SetRecvTimeout(int32_t Timeout) {
  DelayedOption(TTramaOption{SOT_RecvTimeout, false, Timeout});
}

int32_t TBlockingSocket::IntOption(int Level, int Name, int32_t OnError) {
  int32_t value = 0;
  int length = sizeof(value);
  SockCheck(platform::SockGetOpt(FSocket, Level, Name, &value, &length));
  if (FLastError != 0) {
    value = OnError;
  }
  ExceptCheck();
  return value;
}

int32_t TBlockingSocket::SizeRecvBuffer() {
  return IntOption(platform::kSolSocket, platform::kSoRcvBuf, kSizeBufferOnError);
}

void TBlockingSocket::SetSizeRecvBuffer(int32_t Size) {
  DelayedOption(TTramaOption{SOT_RecvBuff, false, Size});
}

int32_t TBlockingSocket::SizeSendBuffer() {
  return IntOption(platform::kSolSocket, platform::kSoSndBuf, kSizeBufferOnError);
}

void TBlockingSocket::SetSizeSendBuffer(int32_t Size) {
  DelayedOption(TTramaOption{SOT_SendBuff, false, Size});
}

int32_t TBlockingSocket::TTL() {
  // A failed read reports 0 as the hop limit, with the error in LastError.
  if (FIP6used)
    return IntOption(platform::kIpProtoIpv6, platform::kIpv6UnicastHops, 0);
  return IntOption(platform::kIpProtoIp, platform::kIpTtl, 0);
}

void TBlockingSocket::SetTTL(int32_t TTL) {
  DelayedOption(TTramaOption{SOT_TTL, false, TTL});
}

platform::TWSAData TBlockingSocket::WSAData() const {
  return gWSAData;
}

// ---------------------------------------------------------------------------------------------
// Addresses and name resolution

int32_t TBlockingSocket::ResolveAddress(const std::string& IP, const std::string& Port,
                                        TVarSin& Sin) {
  DoStatus(HR_ResolvingBegin, IP + ":" + Port);
  ResetLastError();
  TSocketFamily family = FFamily;
  if (FSocket == kInvalidSocket && FFamily == SF_Any) {
    if (IsIPv4Literal(IP)) {
      family = SF_IP4;
    } else if (IsIPv6Literal(IP)) {
      family = SF_IP6;
    }
  }
  FLastError = SetVarSin(Sin, IP, Port, FamilyToAF(family), GetSocketType(), GetSocketProtocol(),
                         FPreferIP4);
  DoStatus(HR_ResolvingEnd, GetSinIP(Sin) + ":" + std::to_string(GetSinPort(Sin)));
  return FLastError;
}

std::string TBlockingSocket::GetSinIP(const TVarSin& Sin) {
  const int family = Sin.AddressFamily;
  if (family != platform::kAfInet && family != platform::kAfInet6) {
    return "0.0.0.0";
  }
  if (UseNewResolver(family)) {
    std::string host;
    std::string service;
    const int flags = platform::kNiNumericHost | platform::kNiNumericServ;
    if (platform::SockGetNameInfo(Sin, host, service, flags) == 0) {
      return host;
    }
    return "";
  }
  if (family == platform::kAfInet6) {
    return IPv6ToText(std::string(reinterpret_cast<const char*>(Sin.v6.sin6_addr), 16));
  }
  std::lock_guard<std::recursive_mutex> lock(platform::SocketLibraryLock());
  return platform::SockInetNtoa(Sin.v4.sin_addr);
}

int32_t TBlockingSocket::GetSinPort(const TVarSin& Sin) {
  return platform::SockNtohs(Sin.sin_port);
}

void TBlockingSocket::GetSinLocal() {
  if (FSocket != kInvalidSocket) {
    platform::SockGetSockName(FSocket, FLocalSin);
  }
}

void TBlockingSocket::GetSinRemote() {
  if (FSocket != kInvalidSocket) {
    platform::SockGetPeerName(FSocket, FRemoteSin);
  }
}

void TBlockingSocket::GetSins() {
  GetSinLocal();
  GetSinRemote();
}

std::string TBlockingSocket::GetLocalSinIP() {
  return GetSinIP(FLocalSin);
}
std::string TBlockingSocket::GetRemoteSinIP() {
  return GetSinIP(FRemoteSin);
}
int32_t TBlockingSocket::GetLocalSinPort() {
  return GetSinPort(FLocalSin);
}
int32_t TBlockingSocket::GetRemoteSinPort() {
  return GetSinPort(FRemoteSin);
}

void TBlockingSocket::SetRemoteSin(const std::string& IP, const std::string& Port) {
  if (ResolveAddress(IP, Port, FRemoteSin) == 0 && FSocket == kInvalidSocket) {
    InternalCreateSocket(FRemoteSin);
  }
  ExceptCheck();
}

std::string TBlockingSocket::LocalName() {
  std::string name;
  platform::SockGetHostName(name);
  return name.empty() ? "127.0.0.1" : name;
}

void TBlockingSocket::ResolveNameToIP(const std::string& Name, std::vector<std::string>& IPList) {
  IPList.clear();
  const int family = FamilyToAF(FFamily);
  if (UseNewResolver(family)) {
    platform::TAddrHints hints;
    hints.family = family;
    hints.socketType = GetSocketType();
    hints.protocol = GetSocketProtocol();
    std::vector<TVarSin> results;
    if (platform::SockGetAddrInfo(Name, "", hints, results) == 0) {
      for (const TVarSin& sin : results) {
        if (family != platform::kAfUnspec && sin.AddressFamily != family) {
          continue;
        }
        std::string host;
        std::string service;
        const int flags = platform::kNiNumericHost | platform::kNiNumericServ;
        if (platform::SockGetNameInfo(sin, host, service, flags) != 0) {
          continue;
        }
        // The lookup gives an entry per socket type; one address is listed once.
        if (std::find(IPList.begin(), IPList.end(), host) == IPList.end()) {
          IPList.push_back(host);
        }
      }
    }
  } else if (!IsIPv4Literal(Name)) {
    std::lock_guard<std::recursive_mutex> lock(platform::SocketLibraryLock());
    std::vector<uint32_t> addresses;
    if (platform::SockGetHostByName(Name, addresses)) {
      for (uint32_t address : addresses) {
        uint8_t b[4];
        std::memcpy(b, &address, 4);
        char text[16];
        std::snprintf(text, sizeof(text), "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
        IPList.push_back(text);
      }
    }
  } else {
    IPList.push_back(Name);
  }
  if (IPList.empty()) {
    IPList.push_back("0.0.0.0");
  }
}

std::string TBlockingSocket::ResolveName(const std::string& Name) {
  std::vector<std::string> list;
  ResolveNameToIP(Name, list);
  return list.front();
}

uint16_t TBlockingSocket::ResolvePort(const std::string& Port) {
  const int family = FamilyToAF(FFamily);
  if (UseNewResolver(family)) {
    platform::TAddrHints hints;
    hints.family = family;
    hints.socketType = GetSocketType();
    hints.protocol = GetSocketProtocol();
    hints.flags = platform::kAiPassive;
    std::vector<TVarSin> results;
    if (platform::SockGetAddrInfo("", Port, hints, results) != 0 || results.empty()) {
      return 0;
    }
    const TVarSin& first = results.front();
    if (first.AddressFamily != platform::kAfInet && first.AddressFamily != platform::kAfInet6) {
      return 0;
    }
    return platform::SockNtohs(first.sin_port);
  }
  std::lock_guard<std::recursive_mutex> lock(platform::SocketLibraryLock());
  const std::string protocolName = platform::SockGetProtoByNumber(GetSocketProtocol());
  if (!protocolName.empty()) {
    const int port = platform::SockGetServByName(Port, protocolName);
    if (port >= 0) {
      return static_cast<uint16_t>(port);
    }
  }
  const int32_t value = DecimalValue(Port);
  return static_cast<uint16_t>(value < 0 ? 0 : value);
}

std::string TBlockingSocket::ResolveIPToName(const std::string& IP) {
  std::string address = IP;
  if (!IsIPv4Literal(address) && !IsIPv6Literal(address)) {
    address = ResolveName(address);
  }
  std::string result = address;
  const int family = FamilyToAF(FFamily);
  if (UseNewResolver(family)) {
    platform::TAddrHints hints;
    hints.family = family;
    std::vector<TVarSin> results;
    if (platform::SockGetAddrInfo(address, "", hints, results) == 0 && !results.empty()) {
      std::string host;
      std::string service;
      if (platform::SockGetNameInfo(results.front(), host, service, platform::kNiNumericServ) ==
          0) {
        result = host;
      }
    }
    return result;
  }
  std::lock_guard<std::recursive_mutex> lock(platform::SocketLibraryLock());
  const std::string bytes = IPv4ToBytes(address);
  std::string name;
  if (platform::SockGetHostByAddr(reinterpret_cast<const uint8_t*>(bytes.data()), name)) {
    result = name;
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// Bind, connect, listen, accept

void TBlockingSocket::Bind(const std::string& IP, const std::string& Port) {
  ResetLastError();
  // Binding "any address, any port" before a connect is what the platform does by itself.
  if (FSocket == kInvalidSocket && FFamily == SF_Any && IP == "0.0.0.0" && Port == "0") {
    return;
  }
  TVarSin sin;
  if (ResolveAddress(IP, Port, sin) == 0) {
    if (FSocket == kInvalidSocket) {
      InternalCreateSocket(sin);
    }
    if (FLastError == 0) {
      SockCheck(platform::SockBind(FSocket, sin));
      GetSinLocal();
      FBuffer.clear();
      FBinded = true;
    }
  }
  ExceptCheck();
  DoStatus(HR_Bind, IP + ":" + Port);
}

void TBlockingSocket::Connect(const std::string& IP, const std::string& Port) {
  TVarSin sin;
  if (ResolveAddress(IP, Port, sin) == 0) {
    if (FSocket == kInvalidSocket) {
      InternalCreateSocket(sin);
    }
    if (FLastError == 0) {
      if (FConnectionTimeout <= 0) {
        SockCheck(platform::SockConnect(FSocket, sin));
      } else {
        const bool savedMode = FNonBlockMode;
        SetNonBlockMode(true);
        SockCheck(platform::SockConnect(FSocket, sin));
        if (FLastError == WSAEINPROGRESS || FLastError == WSAEWOULDBLOCK) {
          if (!CanWrite(FConnectionTimeout)) {
            FLastError = WSAETIMEDOUT;
          } else {
            // Writable also means "the attempt ended": a refused connection is reported as
            // refused, not as a success or a timeout.
            int32_t pending = 0;
            int length = sizeof(pending);
            platform::SockGetOpt(FSocket, platform::kSolSocket, platform::kSoError, &pending,
                                 &length);
            FLastError = pending;
          }
        }
        SetNonBlockMode(savedMode);
      }
    }
    if (FLastError == 0) {
      GetSins();
    }
    FBuffer.clear();
    FLastCR = false;
    FLastLF = false;
  }
  ExceptCheck();
  DoStatus(HR_Connect, IP + ":" + Port);
}

void TBlockingSocket::Listen() {
  SockCheck(platform::SockListen(FSocket, kListenBacklog));
  GetSins();
  ExceptCheck();
  DoStatus(HR_Listen, "");
}

TSocketHandle TBlockingSocket::Accept() {
  TVarSin peer;
  const TSocketHandle result = platform::SockAccept(FSocket, &peer);
  SockCheck(result == kInvalidSocket ? platform::kSocketError : 0);
  if (result != kInvalidSocket) {
    FRemoteSin = peer;
  }
  ExceptCheck();
  DoStatus(HR_Accept, "");
  return result;
}

// ---------------------------------------------------------------------------------------------
// Waiting

bool TBlockingSocket::SelectRead(int32_t Timeout) {
  std::vector<bool> ready;
  const int result = platform::SockWait({FSocket}, false, Timeout < -1 ? 0 : Timeout, ready);
  SockCheck(result);
  return FLastError == 0 && result > 0;
}

bool TBlockingSocket::SelectWrite(int32_t Timeout) {
  std::vector<bool> ready;
  const int result = platform::SockWait({FSocket}, true, Timeout < -1 ? 0 : Timeout, ready);
  SockCheck(result);
  return FLastError == 0 && result > 0;
}

bool TBlockingSocket::CanRead(int32_t Timeout) {
  int32_t rounds = 0;
  int32_t first = Timeout;
  if (FHeartbeatRate != 0 && Timeout != -1) {
    rounds = Timeout / FHeartbeatRate;
    first = Timeout % FHeartbeatRate;
  }
  bool ok = SelectRead(first);
  for (int32_t i = 0; !ok && i < rounds + 1; ++i) {
    DoHeartbeat();
    if (FStopFlag) {
      FStopFlag = false;
      ok = false;
      break;
    }
    ok = SelectRead(FHeartbeatRate);
  }
  ExceptCheck();
  if (ok) {
    DoStatus(HR_CanRead, "");
  }
  return ok;
}

bool TBlockingSocket::CanReadEx(int32_t Timeout) {
  if (!FBuffer.empty()) {
    return true;
  }
  return CanRead(Timeout);
}

bool TBlockingSocket::CanWrite(int32_t Timeout) {
  int32_t rounds = 0;
  int32_t first = Timeout;
  if (FHeartbeatRate != 0 && Timeout != -1) {
    rounds = Timeout / FHeartbeatRate;
    first = Timeout % FHeartbeatRate;
  }
  bool ok = SelectWrite(first);
  for (int32_t i = 0; !ok && i < rounds + 1; ++i) {
    DoHeartbeat();
    if (FStopFlag) {
      FStopFlag = false;
      ok = false;
      break;
    }
    ok = SelectWrite(FHeartbeatRate);
  }
  ExceptCheck();
  if (ok) {
    DoStatus(HR_CanWrite, "");
  }
  return ok;
}

bool TBlockingSocket::GroupCanRead(const std::vector<TBlockingSocket*>& SocketList, int32_t Timeout,
                                   std::vector<TBlockingSocket*>& CanReadList) {
  CanReadList.clear();
  std::vector<TBlockingSocket*> members;
  std::vector<TSocketHandle> handles;
  for (TBlockingSocket* socket : SocketList) {
    if (socket == nullptr || socket->Socket() == kInvalidSocket) {
      continue;
    }
    if (static_cast<int32_t>(handles.size()) >= kMaxGroupSockets) {
      break;
    }
    members.push_back(socket);
    handles.push_back(socket->Socket());
  }
  std::vector<bool> ready;
  const int result = platform::SockWait(handles, false, Timeout < -1 ? 0 : Timeout, ready);
  SockCheck(result);
  ExceptCheck();
  if (result <= 0) {
    return false;
  }
  for (size_t i = 0; i < members.size(); ++i) {
    if (ready[i]) {
      CanReadList.push_back(members[i]);
    }
  }
  return !CanReadList.empty();
}

int32_t TBlockingSocket::WaitingData() {
  uint32_t count = 0;
  if (FSocket == kInvalidSocket || platform::SockPendingBytes(FSocket, count) != 0) {
    return 0;
  }
  return static_cast<int32_t>(std::min<uint32_t>(count, kMaxPacketSize));
}

int32_t TBlockingSocket::WaitingDataEx() {
  if (!FBuffer.empty()) {
    return static_cast<int32_t>(FBuffer.size());
  }
  return WaitingData();
}

// ---------------------------------------------------------------------------------------------
// Stop flag and bandwidth

bool TBlockingSocket::CheckStopFlag() {
  DoHeartbeat();
  if (!FStopFlag) {
    return false;
  }
  FStopFlag = false;
  FLastError = WSAECONNABORTED;
  ExceptCheck();
  return true;
}

void TBlockingSocket::ThrottleTransfer(int32_t Count, int32_t MaxBandwidth, uint32_t& NextTick) {
  if (FStopFlag || MaxBandwidth <= 0) {
    return;
  }
  // The wait is the signed distance to the next allowed tick, so a tick counter that wrapped
  // since the last transfer cannot turn a stale limit into a wait of weeks.
  const int32_t ahead = static_cast<int32_t>(NextTick - TickNow());
  if (ahead > 0) {
    const uint32_t wait = static_cast<uint32_t>(ahead);
    DoStatus(HR_Wait, std::to_string(wait));
    Sleep(wait % kBandwidthSliceMs);
    for (uint32_t i = 0; i < wait / kBandwidthSliceMs; ++i) {
      if (FStopFlag) {
        break;
      }
      Sleep(kBandwidthSliceMs);
    }
  }
  // Held below the signed tick range: a huge count at a tiny rate must not overflow the cast.
  const double span =
      std::min(static_cast<double>(Count) / MaxBandwidth * 1000.0, kMaxThrottleWaitMs);
  NextTick = TickNow() + static_cast<uint32_t>(span);
}

// ---------------------------------------------------------------------------------------------
// Sending

int32_t TBlockingSocket::SendBuffer(const void* Buffer, int32_t Length) {
  if (CheckStopFlag()) {
    return 0;
  }
  DoMonitor(true, Buffer, Length);
  const char* data = static_cast<const char*>(Buffer);
  int32_t sent = 0;
  while (sent < Length) {
    const int32_t chunk = std::min(FSendMaxChunk, Length - sent);
    if (chunk <= 0) {
      break;
    }
    ThrottleTransfer(chunk, FMaxSendBandwidth, FNextSend);
    int result = platform::SockSend(FSocket, data + sent, chunk, 0);
    SockCheck(result);
    if (FLastError == WSAEWOULDBLOCK && !FNonBlockMode && FSendTimeout > 0) {
      // A blocking send with a send timeout says "would block" only when that time passed
      // without any progress: waiting again would double the time the caller allowed.
      FLastError = WSAETIMEDOUT;
    } else if (FLastError == WSAEWOULDBLOCK) {
      if (CanWrite(FNonblockSendTimeout)) {
        result = platform::SockSend(FSocket, data + sent, chunk, 0);
        SockCheck(result);
      } else {
        FLastError = WSAETIMEDOUT;
      }
    }
    if (FLastError != 0) {
      break;
    }
    sent += result;
    FSendCounter += result;
    DoStatus(HR_WriteCount, std::to_string(result));
  }
  ExceptCheck();
  return sent;
}

void TBlockingSocket::SendByte(uint8_t Data) {
  SendBuffer(&Data, 1);
}

void TBlockingSocket::SendString(const std::string& Data) {
  SendBuffer(Data.data(), static_cast<int32_t>(Data.size()));
}

void TBlockingSocket::SendInteger(int32_t Data) {
  SendString(LittleEndian32(Data));
}

void TBlockingSocket::SendBlock(const std::string& Data) {
  SendString(LittleEndian32(static_cast<int32_t>(Data.size())) + Data);
}

void TBlockingSocket::SendStreamWithSize(TStream& Stream, bool WithSize, bool Indian) {
  const int64_t remaining = Stream.Size() - Stream.Position();
  if (WithSize && remaining > kMaxSizedStreamBytes) {
    // The size travels as a signed 32-bit number; a truncated one would make the receiver
    // take the wrong number of bytes. Nothing is sent.
    ResetLastError();
    FLastError = WSAEMSGSIZE;
    ExceptCheck();
    return;
  }
  const int32_t size = static_cast<int32_t>(remaining);
  std::string prefix;
  if (WithSize) {
    prefix = Indian ? Int32ToBytes(size) : LittleEndian32(size);
  }
  const int32_t chunk = FSendMaxChunk > 0 ? FSendMaxChunk : kDefaultSendMaxChunk;
  while (true) {
    std::string piece = ReadBytes(Stream, chunk);
    if (piece.empty()) {
      break;
    }
    SendString(prefix + piece);
    prefix.clear();
    if (FLastError != 0) {
      return;
    }
  }
  // An empty stream still tells its size, or the receiver would wait for one that never comes.
  if (!prefix.empty()) {
    SendString(prefix);
  }
}

void TBlockingSocket::SendStreamRaw(TStream& Stream) {
  SendStreamWithSize(Stream, false, false);
}
void TBlockingSocket::SendStream(TStream& Stream) {
  SendStreamWithSize(Stream, true, false);
}
void TBlockingSocket::SendStreamMSB(TStream& Stream) {
  SendStreamWithSize(Stream, true, true);
}

int32_t TBlockingSocket::SendBufferTo(const void* Buffer, int32_t Length) {
  if (CheckStopFlag()) {
    return 0;
  }
  ThrottleTransfer(Length, FMaxSendBandwidth, FNextSend);
  DoMonitor(true, Buffer, Length);
  const int result = platform::SockSendTo(FSocket, Buffer, Length, 0, FRemoteSin);
  SockCheck(result);
  ExceptCheck();
  if (result > 0) {
    FSendCounter += result;
    DoStatus(HR_WriteCount, std::to_string(result));
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// Receiving

int32_t TBlockingSocket::RecvBuffer(void* Buffer, int32_t Length) {
  if (CheckStopFlag()) {
    return 0;
  }
  ThrottleTransfer(Length, FMaxRecvBandwidth, FNextRecv);
  int32_t result = platform::SockRecv(FSocket, Buffer, Length, 0);
  if (result == 0) {
    FLastError = WSAECONNRESET;
  } else {
    SockCheck(result);
  }
  ExceptCheck();
  if (result > 0) {
    FRecvCounter += result;
    DoStatus(HR_ReadCount, std::to_string(result));
    DoMonitor(false, Buffer, result);
    DoReadFilter(Buffer, result);
  }
  return result;
}

int32_t TBlockingSocket::RecvBufferFrom(void* Buffer, int32_t Length) {
  if (CheckStopFlag()) {
    return 0;
  }
  ThrottleTransfer(Length, FMaxRecvBandwidth, FNextRecv);
  int32_t result = platform::SockRecvFrom(FSocket, Buffer, Length, 0, FRemoteSin);
  SockCheck(result);
  ExceptCheck();
  if (result > 0) {
    FRecvCounter += result;
    DoStatus(HR_ReadCount, std::to_string(result));
    DoMonitor(false, Buffer, result);
  }
  return result;
}

std::string TBlockingSocket::RecvPacket(int32_t Timeout) {
  std::string result;
  ResetLastError();
  if (!FBuffer.empty()) {
    result.swap(FBuffer);
  } else {
    Sleep(0);
    int32_t waiting = WaitingData();
    if (waiting <= 0) {
      if (CanRead(Timeout)) {
        waiting = WaitingData();
        if (waiting == 0) {
          FLastError = WSAECONNRESET;
        }
      } else {
        FLastError = WSAETIMEDOUT;
      }
    }
    if (waiting > 0) {
      result.resize(static_cast<size_t>(waiting));
      const int32_t got = RecvBuffer(result.data(), waiting);
      result.resize(got > 0 ? static_cast<size_t>(got) : 0);
    }
  }
  if (FConvertLineEnd && !result.empty()) {
    if ((FLastCR && result[0] == '\n') || (FLastLF && result[0] == '\r')) {
      result.erase(0, 1);
    }
    FLastCR = false;
    FLastLF = false;
  }
  ExceptCheck();
  return result;
}

int64_t TBlockingSocket::ReadExactly(int64_t Len, int32_t Timeout,
                                     const std::function<void(const char*, size_t)>& Sink) {
  int64_t done = 0;
  std::string packet;
  size_t taken = 0;
  while (true) {
    const uint32_t start = TickNow();
    packet = RecvPacket(Timeout);
    taken = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(packet.size()), Len - done));
    if (taken > 0) {
      Sink(packet.data(), taken);
    }
    done += static_cast<int64_t>(taken);
    if (FLastError != 0 || done >= Len) {
      break;
    }
    // A negative timeout waits without limit, so there is nothing to count down.
    if (!FInterPacketTimeout && Timeout >= 0) {
      Timeout -= static_cast<int32_t>(TickSpan(start, TickNow()));
      if (Timeout <= 0) {
        FLastError = WSAETIMEDOUT;
        break;
      }
    }
  }
  FBuffer = packet.substr(taken);
  return done;
}

int32_t TBlockingSocket::RecvBufferEx(void* Buffer, int32_t Len, int32_t Timeout) {
  ResetLastError();
  if (Len <= 0) {
    return 0;
  }
  char* target = static_cast<char*>(Buffer);
  int64_t offset = 0;
  return static_cast<int32_t>(ReadExactly(Len, Timeout, [&](const char* data, size_t size) {
    std::memcpy(target + offset, data, size);
    offset += static_cast<int64_t>(size);
  }));
}

std::string TBlockingSocket::RecvBufferStr(int32_t Len, int32_t Timeout) {
  ResetLastError();
  if (Len < 1) {
    return std::string();
  }
  // The length may come from the peer (a block or stream size), so the string grows with the
  // data that arrives instead of being allocated at the announced size up front.
  std::string result;
  result.reserve(std::min<size_t>(static_cast<size_t>(Len), kInitialStringReserve));
  ReadExactly(Len, Timeout, [&](const char* data, size_t size) { result.append(data, size); });
  if (FLastError != 0) {
    return std::string();
  }
  return result;
}

std::string TBlockingSocket::RecvTerminated(int32_t Timeout, const std::string& Terminator) {
  ResetLastError();
  if (Terminator.empty()) {
    return std::string();
  }
  const bool lineEndMode = FConvertLineEnd && Terminator == "\r\n";
  std::string received;
  std::string lineBreak;
  int pos = 0;
  while (true) {
    const uint32_t start = TickNow();
    // Only the new bytes (and a terminator cut between two packets) need searching again.
    const size_t searchFrom =
        received.size() >= Terminator.size() ? received.size() - Terminator.size() + 1 : 0;
    received += RecvPacket(Timeout);
    if (FLastError != 0) {
      break;
    }
    pos = 0;
    if (!received.empty()) {
      if (lineEndMode) {
        const int found = FindLineBreak(std::string_view(received).substr(searchFrom), lineBreak);
        if (found > 0) {
          pos = found + static_cast<int>(searchFrom);
          FLastCR = lineBreak == "\r";
          FLastLF = lineBreak == "\n";
        }
      } else {
        const size_t at = received.find(Terminator, searchFrom);
        if (at != std::string::npos) {
          pos = static_cast<int>(at) + 1;
          lineBreak = Terminator;
        }
      }
    }
    // The limit applies to the line itself; bytes that follow a complete line in the same
    // packet are the next line's, not part of this one.
    const size_t lineLength = pos > 0 ? static_cast<size_t>(pos - 1) : received.size();
    if (FMaxLineLength != 0 && lineLength > static_cast<size_t>(FMaxLineLength)) {
      FLastError = WSAENOBUFS;
      break;
    }
    if (pos > 0) {
      break;
    }
    if (!FInterPacketTimeout && Timeout >= 0) {
      Timeout -= static_cast<int32_t>(TickSpan(start, TickNow()));
      if (Timeout <= 0) {
        FLastError = WSAETIMEDOUT;
        break;
      }
    }
  }
  std::string result;
  FLastLineBreak.clear();
  if (FLastError == 0 && pos > 0) {
    FLastLineBreak = lineBreak;
    result = received.substr(0, static_cast<size_t>(pos - 1));
    received.erase(0, static_cast<size_t>(pos) + lineBreak.size() - 1);
  }
  // What was received and not handed out stays for the next read, on success and on error.
  FBuffer = received;
  ExceptCheck();
  return result;
}

std::string TBlockingSocket::RecvString(int32_t Timeout) {
  std::string result = RecvTerminated(Timeout, "\r\n");
  if (FLastError != 0) {
    return std::string();
  }
  return result;
}

uint8_t TBlockingSocket::RecvByte(int32_t Timeout) {
  ResetLastError();
  uint8_t result = 0;
  if (FBuffer.empty()) {
    FBuffer = RecvPacket(Timeout);
  }
  if (FLastError == 0 && !FBuffer.empty()) {
    result = static_cast<uint8_t>(FBuffer[0]);
    FBuffer.erase(0, 1);
  }
  ExceptCheck();
  return result;
}

int32_t TBlockingSocket::RecvInteger(int32_t Timeout) {
  const std::string s = RecvBufferStr(4, Timeout);
  if (FLastError != 0 || s.size() != 4) {
    return 0;
  }
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<uint8_t>(s[i]);
  }
  return static_cast<int32_t>(value);
}

std::string TBlockingSocket::RecvBlock(int32_t Timeout) {
  const int32_t length = RecvInteger(Timeout);
  if (FLastError != 0) {
    return std::string();
  }
  return RecvBufferStr(length, Timeout);
}

void TBlockingSocket::RecvStreamRaw(TStream& Stream, int32_t Timeout) {
  while (true) {
    const std::string packet = RecvPacket(Timeout);
    if (FLastError != 0) {
      break;
    }
    WriteBytes(Stream, packet);
  }
}

void TBlockingSocket::RecvStreamSize(TStream& Stream, int32_t Timeout, int64_t Size) {
  ResetLastError();
  const int32_t chunk = FSendMaxChunk > 0 ? FSendMaxChunk : kDefaultSendMaxChunk;
  const int64_t pieces = Size / chunk;
  for (int64_t i = 0; i < pieces; ++i) {
    const std::string piece = RecvBufferStr(chunk, Timeout);
    if (FLastError != 0) {
      return;
    }
    WriteBytes(Stream, piece);
  }
  const int32_t rest = static_cast<int32_t>(Size % chunk);
  if (rest > 0) {
    const std::string piece = RecvBufferStr(rest, Timeout);
    if (FLastError == 0) {
      WriteBytes(Stream, piece);
    }
  }
}

void TBlockingSocket::RecvStream(TStream& Stream, int32_t Timeout) {
  const int32_t size = RecvInteger(Timeout);
  if (FLastError == 0) {
    RecvStreamSize(Stream, Timeout, size);
  }
}

void TBlockingSocket::RecvStreamMSB(TStream& Stream, int32_t Timeout) {
  const int32_t size = SwapInt32(RecvInteger(Timeout));
  if (FLastError == 0) {
    RecvStreamSize(Stream, Timeout, size);
  }
}

int32_t TBlockingSocket::PeekBuffer(void* Buffer, int32_t Length) {
  const int32_t result = platform::SockRecv(FSocket, Buffer, Length, platform::kMsgPeek);
  SockCheck(result);
  ExceptCheck();
  return result;
}

uint8_t TBlockingSocket::PeekByte(int32_t Timeout) {
  if (!CanRead(Timeout)) {
    FLastError = WSAETIMEDOUT;
    return 0;
  }
  uint8_t value = 0;
  if (PeekBuffer(&value, 1) <= 0) {
    return 0;
  }
  return value;
}

void TBlockingSocket::Purge() {
  Sleep(1);
  int64_t drained = 0;
  try {
    while ((!FBuffer.empty() || WaitingData() >= 1) && drained < kMaxCloseDrainBytes) {
      drained += static_cast<int64_t>(RecvPacket(0).size());
      if (FLastError != 0) {
        break;
      }
    }
  } catch (const ETramaError&) {
    // Purging only throws away what is waiting; a failure there ends it quietly.
  }
  ResetLastError();
}

int32_t TBlockingSocket::GetSocketType() {
  return 0;
}
int32_t TBlockingSocket::GetSocketProtocol() {
  return 0;
}

}  // namespace net
