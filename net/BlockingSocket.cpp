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
  FOptions.Clear();
}

void TBlockingSocket::SetFamily(TSocketFamily Value) {
  FFamily = Value;
  FFamilySave = Value;
}

void TBlockingSocket::SetSocket(TSocketHandle Value) {
  FPeerClosed = false;
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
  FLine.Reset();
  FBinded = false;
  FPeerClosed = false;
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
  FOptions.Clear();
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
  if (FLastError == 0 || FLastError == SocketError::kWouldBlock ||
      FLastError == SocketError::kInProgress) {
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
  return platform::SocketErrorText(ErrorCode);
}

// ---------------------------------------------------------------------------------------------
// Options

void TBlockingSocket::DelayedOption(const TTramaOption& Value) {
  if (FSocket == kInvalidSocket) {
    FOptions.Push(Value);
    return;
  }
  SetOption(Value);
}

void TBlockingSocket::ProcessDelayedOptions() {
  for (const TTramaOption& option : FOptions.TakeAll()) {
    SetOption(option);
  }
}

void TBlockingSocket::SetOption(const TTramaOption& Value) {
  ApplySocketOption(FSocket, FIP6used, Value);
  // The socket keeps the two settings its own operations depend on.
  if (Value.Option == SOT_NonBlock) {
    FNonBlockMode = Value.Enabled;
  } else if (Value.Option == SOT_SendTimeout) {
    FSendTimeout = Value.Value;
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
      FLine.Reset();
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
      const bool reported = FConnectionTimeout > 0;
      const int32_t limit = reported ? FConnectionTimeout : FConnectFallbackTimeout;
      if (limit <= 0) {
        SockCheck(platform::SockConnect(FSocket, sin));
      } else {
        const bool savedMode = FNonBlockMode;
        SetNonBlockMode(true);
        SockCheck(platform::SockConnect(FSocket, sin));
        if (FLastError == SocketError::kInProgress || FLastError == SocketError::kWouldBlock) {
          if (!WaitReady(true, limit, reported)) {
            if (FLastError == 0)
              FLastError = SocketError::kTimedOut;
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
    FLine.Reset();
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

bool TBlockingSocket::SelectReady(bool Write, int32_t Timeout) {
  std::vector<bool> ready;
  const int result = platform::SockWait({FSocket}, Write, Timeout < -1 ? 0 : Timeout, ready);
  SockCheck(result);
  return FLastError == 0 && result > 0;
}

bool TBlockingSocket::SelectRead(int32_t Timeout) {
  return SelectReady(false, Timeout);
}

bool TBlockingSocket::SelectWrite(int32_t Timeout) {
  return SelectReady(true, Timeout);
}

bool TBlockingSocket::WaitReady(bool Write, int32_t Timeout, bool Report) {
  auto select = [&](int32_t ms) { return Write ? SelectWrite(ms) : SelectRead(ms); };
  bool ok = false;
  if (FHeartbeatRate <= 0) {
    ok = select(Timeout);
  } else {
    ok = WaitInSlices(select, Timeout);
  }
  ExceptCheck();
  if (ok && Report) {
    DoStatus(Write ? HR_CanWrite : HR_CanRead, "");
  }
  return ok;
}

bool TBlockingSocket::WaitInSlices(const std::function<bool(int32_t)>& Select, int32_t Timeout) {
  // With a heartbeat the wait is cut into slices of its rate, so that the heartbeat runs and
  // a stop it asks for is noticed between them; the slices together take Timeout, no more
  // (-1 waits without limit). A stop ends the wait as a stop (10053), not as a timeout.
  const bool endless = Timeout == -1;
  if (Timeout < 0 && !endless)
    Timeout = 0;
  const uint32_t start = TickNow();
  while (true) {
    int32_t slice = FHeartbeatRate;
    if (!endless) {
      const int64_t left = static_cast<int64_t>(Timeout) - TickSpan(start, TickNow());
      slice = static_cast<int32_t>(std::clamp<int64_t>(left, 0, slice));
    }
    if (Select(slice))
      return true;
    if (FLastError != 0)
      return false;
    DoHeartbeat();
    if (FStopFlag) {
      FStopFlag = false;
      FLastError = SocketError::kConnectionAborted;
      return false;
    }
    if (!endless && TickSpan(start, TickNow()) >= static_cast<uint32_t>(Timeout))
      return false;
  }
}

bool TBlockingSocket::CanRead(int32_t Timeout) {
  return WaitReady(false, Timeout);
}

bool TBlockingSocket::CanReadEx(int32_t Timeout) {
  if (!FLine.Empty()) {
    return true;
  }
  return CanRead(Timeout);
}

bool TBlockingSocket::CanWrite(int32_t Timeout) {
  return WaitReady(true, Timeout);
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

// ---------------------------------------------------------------------------------------------
// Stop flag and bandwidth

bool TBlockingSocket::CheckStopFlag() {
  DoHeartbeat();
  if (!FStopFlag) {
    return false;
  }
  FStopFlag = false;
  FLastError = SocketError::kConnectionAborted;
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
    if (FLastError == SocketError::kWouldBlock && !FNonBlockMode && FSendTimeout > 0) {
      // A blocking send with a send timeout says "would block" only when that time passed
      // without any progress: waiting again would double the time the caller allowed.
      FLastError = SocketError::kTimedOut;
    } else if (FLastError == SocketError::kWouldBlock) {
      if (CanWrite(FNonblockSendTimeout)) {
        result = platform::SockSend(FSocket, data + sent, chunk, 0);
        SockCheck(result);
      } else if (FLastError == 0) {
        FLastError = SocketError::kTimedOut;
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
    FLastError = SocketError::kMessageTooLong;
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

int32_t TBlockingSocket::GetSocketType() {
  return 0;
}
int32_t TBlockingSocket::GetSocketProtocol() {
  return 0;
}

}  // namespace net
