#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "net/LineBuffer.h"
#include "net/NetLimits.h"
#include "net/ProgressWindow.h"
#include "net/SocketOptionQueue.h"
#include "net/Stream.h"
#include "net/TramaError.h"
#include "platform/Socket.h"
#include "platform/SocketError.h"

// Blocking sockets over the platform's sockets interface: timeouts, a line buffer for line- and
// block-oriented reading, status and monitor hooks, bandwidth limiting, an option queue and
// name resolution. Failures are not thrown by default: every operation records a Windows
// Sockets error code in LastError (0 = none) and its text in LastErrorDesc.
namespace net {

class TBlockingSocket;
class TCustomSSL;
class TTramaClient;

using platform::TSocketHandle;
using platform::TVarSin;

// The status reasons, in this order.
enum THookSocketReason {
  HR_ResolvingBegin,
  HR_ResolvingEnd,
  HR_SocketCreate,
  HR_SocketClose,
  HR_Bind,
  HR_Connect,
  HR_CanRead,
  HR_CanWrite,
  HR_Listen,
  HR_Accept,
  HR_ReadCount,
  HR_WriteCount,
  HR_Wait,
  HR_Error
};

enum TSocketFamily { SF_Any, SF_IP4, SF_IP6 };
// The SOCKS protocol of TSocksBlockingSocket; TSSLType lives with the plug-in in CustomSSL.h.
enum TSocksType { ST_Socks5, ST_Socks4 };

// The hooks. An unset hook is skipped; Sender is the object that raises it.
using THookSocketStatus = std::function<void(TBlockingSocket* Sender, THookSocketReason Reason,
                                             const std::string& Value)>;
using THookDataFilter = std::function<void(TBlockingSocket* Sender, std::string& Value)>;
using THookCreateSocket = std::function<void(TBlockingSocket* Sender)>;
using THookMonitor =
    std::function<void(TBlockingSocket* Sender, bool Writing, const void* Buffer, int32_t Len)>;
using THookAfterConnect = std::function<void(TBlockingSocket* Sender)>;
using THookVerifyCert = std::function<bool(TCustomSSL* Sender)>;
using THookHeartbeat = std::function<void(TBlockingSocket* Sender)>;

// Binds and starts the platform's sockets interface ("ws2_32.dll" when `stub` is empty); the
// use count goes up by one. Returns false when the interface cannot be bound.
bool InitSocketInterface(const std::string& stub);
// Releases one use of the binding.
bool DestroySocketInterface();
// Done once per process before the first socket: binds the interface and asks for version
// 2.2; throws ETramaError "Error loading Socket interface (ws2_32.dll)!" when that fails.
void StartSocketInterface();

// The socket error codes, by name (platform/SocketError.h).
namespace SocketError = platform::SocketError;

// The Size of ReceiveInto for a body that the peer ends by closing the connection.
inline constexpr std::nullopt_t kToTheClose = std::nullopt;

class TBlockingSocket {
 public:
  TBlockingSocket();
  // The stub text is not used; it names an alternative sockets interface.
  explicit TBlockingSocket(const std::string& Stub);
  virtual ~TBlockingSocket();
  TBlockingSocket(const TBlockingSocket&) = delete;
  TBlockingSocket& operator=(const TBlockingSocket&) = delete;

  // --- virtual operations ---
  virtual void SetFamily(TSocketFamily Value);
  virtual void SetSocket(TSocketHandle Value);
  virtual void CloseSocket();
  virtual void AbortSocket();
  virtual void Connect(const std::string& IP, const std::string& Port);
  virtual void Listen();
  virtual TSocketHandle Accept();
  virtual int32_t SendBuffer(const void* Buffer, int32_t Length);
  virtual void SendByte(uint8_t Data);
  virtual void SendString(const std::string& Data);
  virtual void SendInteger(int32_t Data);
  virtual void SendBlock(const std::string& Data);
  virtual void SendStreamRaw(TStream& Stream);
  virtual void SendStream(TStream& Stream);
  virtual void SendStreamMSB(TStream& Stream);
  virtual int32_t RecvBuffer(void* Buffer, int32_t Length);
  virtual int32_t RecvBufferEx(void* Buffer, int32_t Len, int32_t Timeout);
  virtual std::string RecvBufferStr(int32_t Len, int32_t Timeout);
  virtual uint8_t RecvByte(int32_t Timeout);
  virtual int32_t RecvInteger(int32_t Timeout);
  virtual std::string RecvString(int32_t Timeout);
  virtual std::string RecvTerminated(int32_t Timeout, const std::string& Terminator);
  virtual std::string RecvPacket(int32_t Timeout);
  virtual std::string RecvBlock(int32_t Timeout);
  virtual void RecvStreamRaw(TStream& Stream, int32_t Timeout);
  virtual void RecvStream(TStream& Stream, int32_t Timeout);
  virtual void RecvStreamMSB(TStream& Stream, int32_t Timeout);
  virtual int32_t PeekBuffer(void* Buffer, int32_t Length);
  virtual uint8_t PeekByte(int32_t Timeout);
  virtual int32_t WaitingData();
  virtual int32_t SockCheck(int32_t SockResult);
  virtual std::string GetLocalSinIP();
  virtual std::string GetRemoteSinIP();
  virtual int32_t GetLocalSinPort();
  virtual int32_t GetRemoteSinPort();
  virtual bool CanRead(int32_t Timeout);
  virtual bool CanReadEx(int32_t Timeout);
  virtual bool CanWrite(int32_t Timeout);
  virtual int32_t SendBufferTo(const void* Buffer, int32_t Length);
  virtual int32_t RecvBufferFrom(void* Buffer, int32_t Length);
  virtual int32_t GetSocketType();
  virtual int32_t GetSocketProtocol();
  virtual std::string GetErrorDescEx();

  // --- other operations ---
  void CreateSocket();
  void CreateSocketByName(const std::string& Value);
  void Bind(const std::string& IP, const std::string& Port);
  void RecvStreamSize(TStream& Stream, int32_t Timeout, int64_t Size);
  // The one receive loop behind every read of a body into a stream: Size bytes, or with
  // kToTheClose everything until the peer ends the connection. Bytes waiting in the line
  // buffer go first; then each receive is written to the stream as it arrives (a download
  // follows the stream one receive behind, and a pause must find everything received there),
  // with no intermediate strings. Every receive runs the stop check (a stop ends the read with
  // 10053), the bandwidth limit, the hooks and the read filter, and every wait the heartbeat
  // slices. A stream that takes less than it is given ends the read with 10055.
  // Each wait for a packet takes at most Timeout; with InterPacketTimeout off, each piece of
  // SendMaxChunk bytes of a sized body must arrive within Timeout as a whole. With a progress
  // window the reads also keep its pace: a span without its bytes ends the read with 10060.
  // Returns whether the body is whole: all Size bytes arrived, or the peer's orderly end
  // closed a body read to the close (LastError then 10054 with PeerClosed; a reset gives the
  // same 10054 without PeerClosed, and is never the end of a body).
  bool ReceiveInto(TStream& Stream, std::optional<int64_t> Size, int32_t Timeout,
                   TProgressWindow* Window = nullptr);
  int32_t WaitingDataEx();
  void Purge();
  void SetLinger(bool Enable, int32_t Linger);
  void GetSinLocal();
  void GetSinRemote();
  void GetSins();
  void ResetLastError();
  void ExceptCheck();
  std::string LocalName();
  void ResolveNameToIP(const std::string& Name, std::vector<std::string>& IPList);
  std::string ResolveName(const std::string& Name);
  std::string ResolveIPToName(const std::string& IP);
  uint16_t ResolvePort(const std::string& Port);
  void SetRemoteSin(const std::string& IP, const std::string& Port);
  // Waits until any socket of the list (up to 64) is readable; fills CanReadList with those.
  bool GroupCanRead(const std::vector<TBlockingSocket*>& SocketList, int32_t Timeout,
                    std::vector<TBlockingSocket*>& CanReadList);
  void EnableReuse(bool Value);
  void SetTimeout(int32_t Timeout);
  void SetSendTimeout(int32_t Timeout);
  void SetRecvTimeout(int32_t Timeout);
  static std::string GetErrorDesc(int32_t ErrorCode);

  // --- properties ---
  const THookSocketStatus& OnStatus() const { return FOnStatus; }
  void SetOnStatus(THookSocketStatus Value) { FOnStatus = std::move(Value); }
  const THookDataFilter& OnReadFilter() const { return FOnReadFilter; }
  void SetOnReadFilter(THookDataFilter Value) { FOnReadFilter = std::move(Value); }
  const THookCreateSocket& OnCreateSocket() const { return FOnCreateSocket; }
  void SetOnCreateSocket(THookCreateSocket Value) { FOnCreateSocket = std::move(Value); }
  const THookMonitor& OnMonitor() const { return FOnMonitor; }
  void SetOnMonitor(THookMonitor Value) { FOnMonitor = std::move(Value); }
  const THookHeartbeat& OnHeartbeat() const { return FOnHeartbeat; }
  void SetOnHeartbeat(THookHeartbeat Value) { FOnHeartbeat = std::move(Value); }

  const TVarSin& LocalSin() const { return FLocalSin; }
  const TVarSin& RemoteSin() const { return FRemoteSin; }
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t Value) { FTag = Value; }
  const std::string& LineBuffer() const { return FLine.Bytes(); }
  void SetLineBuffer(const std::string& Value) { FLine.Bytes() = Value; }
  bool RaiseExcept() const { return FRaiseExcept; }
  void SetRaiseExcept(bool Value) { FRaiseExcept = Value; }
  bool NonBlockMode() const { return FNonBlockMode; }
  void SetNonBlockMode(bool Value);
  int32_t MaxLineLength() const { return FMaxLineLength; }
  void SetMaxLineLength(int32_t Value) { FMaxLineLength = Value; }
  int32_t MaxSendBandwidth() const { return FMaxSendBandwidth; }
  void SetMaxSendBandwidth(int32_t Value) { FMaxSendBandwidth = Value; }
  int32_t MaxRecvBandwidth() const { return FMaxRecvBandwidth; }
  void SetMaxRecvBandwidth(int32_t Value) { FMaxRecvBandwidth = Value; }
  // Sets both bandwidth limits.
  void SetMaxBandwidth(int32_t Value);
  bool ConvertLineEnd() const { return FConvertLineEnd; }
  void SetConvertLineEnd(bool Value) { FConvertLineEnd = Value; }
  // The line break that ended the last line RecvTerminated handed out (empty when none), and
  // whether that break was a lone CR or LF whose partner, arriving first in the next packet,
  // will be dropped. A protocol reader that knows binary data follows the line clears them.
  const std::string& LastLineBreak() const { return FLine.LastBreak(); }
  bool LastCR() const { return FLine.LastCR(); }
  bool LastLF() const { return FLine.LastLF(); }
  void SetLineEndState(bool LastCR, bool LastLF) { FLine.SetLineEndState(LastCR, LastLF); }
  TSocketFamily Family() const { return FFamily; }
  bool IP6used() const { return FIP6used; }
  bool PreferIP4() const { return FPreferIP4; }
  void SetPreferIP4(bool Value) { FPreferIP4 = Value; }
  bool InterPacketTimeout() const { return FInterPacketTimeout; }
  void SetInterPacketTimeout(bool Value) { FInterPacketTimeout = Value; }
  const std::vector<TSocketHandle>& FDset() const { return FFDSet; }
  int64_t RecvCounter() const { return FRecvCounter; }
  int64_t SendCounter() const { return FSendCounter; }
  int32_t SendMaxChunk() const { return FSendMaxChunk; }
  void SetSendMaxChunk(int32_t Value) { FSendMaxChunk = Value; }
  bool StopFlag() const { return FStopFlag; }
  void SetStopFlag(bool Value) { FStopFlag = Value; }
  int32_t NonblockSendTimeout() const { return FNonblockSendTimeout; }
  void SetNonblockSendTimeout(int32_t Value) { FNonblockSendTimeout = Value; }
  // With a rate (milliseconds) and OnHeartbeat set, every wait runs the heartbeat at least
  // that often, and before each receive and send; a stop flag set there ends the operation
  // with 10053.
  int32_t HeartbeatRate() const { return FHeartbeatRate; }
  void SetHeartbeatRate(int32_t Value) { FHeartbeatRate = Value; }
  int32_t ConnectionTimeout() const { return FConnectionTimeout; }
  void SetConnectionTimeout(int32_t Value) { FConnectionTimeout = Value; }
  // The limit of a connect while ConnectionTimeout is 0 (0 = none, the default): the connect
  // gives up after it with 10060 as with ConnectionTimeout, but its wait is not reported, so
  // the status sequence stays that of a plain connect. The HTTP client puts its Timeout here.
  int32_t ConnectFallbackTimeout() const { return FConnectFallbackTimeout; }
  void SetConnectFallbackTimeout(int32_t Value) { FConnectFallbackTimeout = Value; }
  TSocketHandle Socket() const { return FSocket; }
  // True once a receive on the open socket found the peer's orderly end of stream (a read of
  // zero bytes). A reset gives the same LastError, 10054, but leaves this false: a body framed
  // by the close is whole only when this holds.
  bool PeerClosed() const { return FPeerClosed; }
  int32_t LastError() const { return FLastError; }
  const std::string& LastErrorDesc() const { return FLastErrorDesc; }
  TTramaClient* Owner() const { return FOwner; }
  void SetOwner(TTramaClient* Value) { FOwner = Value; }
  // Read from the open socket; written through the option queue.
  int32_t SizeRecvBuffer();
  void SetSizeRecvBuffer(int32_t Size);
  int32_t SizeSendBuffer();
  void SetSizeSendBuffer(int32_t Size);
  int32_t TTL();
  void SetTTL(int32_t TTL);
  // A copy of the process-wide startup record.
  platform::TWSAData WSAData() const;

 protected:
  virtual void SendStreamWithSize(TStream& Stream, bool WithSize, bool Indian);
  virtual bool SelectRead(int32_t Timeout);
  virtual bool SelectWrite(int32_t Timeout);
  // One wait for readability or writability of the socket, for both of the above.
  bool SelectReady(bool Write, int32_t Timeout);
  // CanRead and CanWrite: the wait with heartbeats and the stop check, then (with Report)
  // the status.
  bool WaitReady(bool Write, int32_t Timeout, bool Report = true);
  // The wait of WaitReady while a heartbeat is set: slices of HeartbeatRate with the heartbeat
  // between them; a stop asked for there ends it with 10053.
  bool WaitInSlices(const std::function<bool(int32_t)>& Select, int32_t Timeout);

  // Helpers the derived sockets share.
  void DoStatus(THookSocketReason Reason, const std::string& Value);
  void DoReadFilter(void* Buffer, int32_t& Length);
  void DoMonitor(bool Writing, const void* Buffer, int32_t Length);
  void DoCreateSocket();
  void DoHeartbeat();
  // Runs the heartbeat and honours StopFlag: true when the transfer must stop (10053 set).
  bool CheckStopFlag();
  // Sleeps as long as the bandwidth limit asks before `Count` more bytes go on one side.
  void ThrottleTransfer(int32_t Count, int32_t MaxBandwidth, uint32_t& NextTick);
  // Resolves host and port into `Sin` with status reports; sets and returns LastError.
  int32_t ResolveAddress(const std::string& IP, const std::string& Port, TVarSin& Sin);
  // Opens a socket for the resolved address (nothing when one is open).
  void InternalCreateSocket(const TVarSin& Sin);
  void DelayedOption(const TTramaOption& Value);
  void ProcessDelayedOptions();
  // Reads an integer socket option; `OnError` stands in for it when the read fails.
  int32_t IntOption(int Level, int Name, int32_t OnError);
  void SetOption(const TTramaOption& Value);
  std::string GetSinIP(const TVarSin& Sin);
  int32_t GetSinPort(const TVarSin& Sin);
  int32_t FamilyToAF(TSocketFamily Value) const;
  // With InterPacketTimeout off, Timeout holds for a whole read rather than for each packet:
  // takes the time spent since tick Start off it. False (10060 set) once it ran out.
  bool SpendTimeout(int32_t& Timeout, uint32_t Start);
  // One packet of ReceiveInto into Buffer, at most Room bytes: from the line buffer while it
  // holds any, else from the socket within Wait. Gives the bytes received with the partner of
  // a line end already handed out dropped; 0 or less when the read must end (LastError says
  // why, 10060 for a wait that ran out).
  int32_t ReceivePacketInto(char* Buffer, int32_t Room, int32_t Wait);
  // Reads packets until `Len` bytes went to `Sink` or an error; the rest of the last packet
  // becomes the line buffer. Returns the bytes handed to the sink.
  int64_t ReadExactly(int64_t Len, int32_t Timeout,
                      const std::function<void(const char*, size_t)>& Sink);

  THookSocketStatus FOnStatus;
  THookDataFilter FOnReadFilter;
  THookCreateSocket FOnCreateSocket;
  THookMonitor FOnMonitor;
  THookHeartbeat FOnHeartbeat;
  TVarSin FLocalSin;
  TVarSin FRemoteSin;
  int32_t FTag = 0;
  TLineBuffer FLine;  // the line buffer and the state of the last line end
  bool FRaiseExcept = false;
  bool FNonBlockMode = false;
  int32_t FMaxLineLength = 0;
  int32_t FMaxSendBandwidth = 0;
  uint32_t FNextSend = 0;
  int32_t FMaxRecvBandwidth = 0;
  uint32_t FNextRecv = 0;
  bool FConvertLineEnd = false;
  int32_t FSendTimeout = 0;  // the send timeout applied to the open socket; 0 = none
  bool FPeerClosed = false;  // the open socket has seen the peer's orderly end of stream
  bool FBinded = false;
  TSocketFamily FFamily = SF_Any;
  TSocketFamily FFamilySave = SF_Any;
  bool FIP6used = false;
  bool FPreferIP4 = true;
  TSocketOptionQueue FOptions;
  bool FInterPacketTimeout = true;
  std::vector<TSocketHandle> FFDSet;
  int64_t FRecvCounter = 0;
  int64_t FSendCounter = 0;
  int32_t FSendMaxChunk = kDefaultSendMaxChunk;
  bool FStopFlag = false;
  int32_t FNonblockSendTimeout = kDefaultNonblockSendTimeout;
  int32_t FHeartbeatRate = 0;
  int32_t FConnectionTimeout = 0;
  int32_t FConnectFallbackTimeout = 0;
  TSocketHandle FSocket = platform::kInvalidSocket;
  int32_t FLastError = 0;
  std::string FLastErrorDesc;
  TTramaClient* FOwner = nullptr;
};

}  // namespace net
