// The receive family of TBlockingSocket: packets, the line buffer's reads (lines, exact
// lengths, integers, blocks, streams), peeking, the pending-bytes queries and the purge.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "net/BlockingSocket.h"
#include "net/ProtoBytes.h"
#include "net/ProtoTicks.h"

namespace net {

using platform::kInvalidSocket;

int32_t TBlockingSocket::WaitingData() {
  uint32_t count = 0;
  if (FSocket == kInvalidSocket || platform::SockPendingBytes(FSocket, count) != 0) {
    return 0;
  }
  return static_cast<int32_t>(std::min<uint32_t>(count, kMaxPacketSize));
}

int32_t TBlockingSocket::WaitingDataEx() {
  if (!FLine.Empty()) {
    return static_cast<int32_t>(FLine.Bytes().size());
  }
  return WaitingData();
}

int32_t TBlockingSocket::RecvBuffer(void* Buffer, int32_t Length) {
  if (CheckStopFlag()) {
    return 0;
  }
  ThrottleTransfer(Length, FMaxRecvBandwidth, FNextRecv);
  int32_t result = platform::SockRecv(FSocket, Buffer, Length, 0);
  if (result == 0) {
    FLastError = SocketError::kConnectionReset;
    FPeerClosed = true;
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
  if (!FLine.Empty()) {
    result.swap(FLine.Bytes());
  } else {
    Sleep(0);
    int32_t waiting = WaitingData();
    if (waiting <= 0) {
      if (CanRead(Timeout)) {
        waiting = WaitingData();
        // Readable with nothing waiting is the end of the connection, and only a receive
        // tells an orderly end (PeerClosed) from a reset: both give 10054.
        if (waiting == 0)
          waiting = kEndProbeBytes;
      } else if (FLastError == 0) {
        FLastError = SocketError::kTimedOut;
      }
    }
    if (waiting > 0) {
      result.resize(static_cast<size_t>(waiting));
      const int32_t got = RecvBuffer(result.data(), waiting);
      result.resize(got > 0 ? static_cast<size_t>(got) : 0);
    }
  }
  if (FConvertLineEnd) {
    FLine.DropPartner(result);
  }
  ExceptCheck();
  return result;
}

bool TBlockingSocket::SpendTimeout(int32_t& Timeout, uint32_t Start) {
  // A negative timeout waits without limit, so there is nothing to count down.
  if (FInterPacketTimeout || Timeout < 0) {
    return true;
  }
  Timeout -= static_cast<int32_t>(TickSpan(Start, TickNow()));
  if (Timeout > 0) {
    return true;
  }
  FLastError = SocketError::kTimedOut;
  return false;
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
    if (!SpendTimeout(Timeout, start)) {
      break;
    }
  }
  FLine.Bytes() = packet.substr(taken);
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
    pos = FLine.FindLineEnd(received, searchFrom, Terminator, lineEndMode, lineBreak);
    // The limit applies to the line itself; bytes that follow a complete line in the same
    // packet are the next line's, not part of this one.
    const size_t lineLength = pos > 0 ? static_cast<size_t>(pos - 1) : received.size();
    if (FMaxLineLength != 0 && lineLength > static_cast<size_t>(FMaxLineLength)) {
      FLastError = SocketError::kNoBufferSpace;
      break;
    }
    if (pos > 0) {
      break;
    }
    if (!SpendTimeout(Timeout, start)) {
      break;
    }
  }
  std::string result;
  FLine.SetLastBreak("");
  if (FLastError == 0 && pos > 0) {
    FLine.SetLastBreak(lineBreak);
    result = received.substr(0, static_cast<size_t>(pos - 1));
    received.erase(0, static_cast<size_t>(pos) + lineBreak.size() - 1);
  }
  // What was received and not handed out stays for the next read, on success and on error.
  FLine.Bytes() = received;
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
  if (FLine.Bytes().empty()) {
    FLine.Bytes() = RecvPacket(Timeout);
  }
  if (FLastError == 0 && !FLine.Empty()) {
    result = static_cast<uint8_t>(FLine.Bytes()[0]);
    FLine.Bytes().erase(0, 1);
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

int32_t TBlockingSocket::ReceivePacketInto(char* Buffer, int32_t Room, int32_t Wait) {
  int32_t got = 0;
  if (!FLine.Empty()) {
    // Bytes that came with a line (a header block, a chunk size) are handed out first, as a
    // packet would be.
    got = static_cast<int32_t>(std::min<size_t>(FLine.Bytes().size(), static_cast<size_t>(Room)));
    std::memcpy(Buffer, FLine.Bytes().data(), static_cast<size_t>(got));
    FLine.Bytes().erase(0, static_cast<size_t>(got));
  } else {
    int32_t waiting = WaitingData();
    if (waiting <= 0) {
      if (!CanRead(Wait)) {
        if (FLastError == 0)
          FLastError = SocketError::kTimedOut;
        return 0;
      }
      // Readable with nothing waiting is the end of the connection: the receive below tells
      // an orderly end (PeerClosed) from a reset, both 10054.
      waiting = std::max(WaitingData(), 1);
    }
    got = RecvBuffer(Buffer, std::min(waiting, Room));
    if (FLastError != 0 || got <= 0)
      return 0;
  }
  return FConvertLineEnd ? got - FLine.DropPartner(Buffer, got) : got;
}

bool TBlockingSocket::ReceiveInto(TStream& Stream, std::optional<int64_t> Size, int32_t Timeout,
                                  TProgressWindow* Window) {
  ResetLastError();
  const bool sized = Size.has_value();
  if (sized && *Size <= 0)
    return true;
  int64_t remaining = sized ? *Size : std::numeric_limits<int64_t>::max();
  std::vector<char> packet(static_cast<size_t>(std::min<int64_t>(remaining, kMaxPacketSize)));
  // With InterPacketTimeout off, each piece of SendMaxChunk bytes of a sized body must arrive
  // within Timeout as a whole, as when the stream is received piece by piece.
  const int64_t pieceSize = FSendMaxChunk > 0 ? FSendMaxChunk : kDefaultSendMaxChunk;
  int64_t pieceLeft = pieceSize;
  int32_t budget = Timeout;
  while (remaining > 0 && FLastError == 0) {
    const uint32_t start = TickNow();
    const int32_t room =
        static_cast<int32_t>(std::min<int64_t>(remaining, static_cast<int64_t>(packet.size())));
    const int32_t wait =
        Window && Window->WaitLeft() >= 0 && (budget < 0 || Window->WaitLeft() < budget)
            ? Window->WaitLeft()
            : budget;
    const int32_t got = ReceivePacketInto(packet.data(), room, wait);
    if (FLastError != 0)
      break;
    if (got > 0 && Stream.Write(packet.data(), got) != got) {
      // The stream did not take everything (a full disk, say): the body is not whole.
      FLastError = SocketError::kNoBufferSpace;
      break;
    }
    if (sized)
      remaining -= got;
    pieceLeft -= got;
    if (Window) {
      Window->Add(got);
      if (remaining > 0 && Window->Expired()) {
        FLastError = SocketError::kTimedOut;
        break;
      }
    }
    if (!sized)
      continue;
    if (pieceLeft <= 0) {
      pieceLeft = pieceSize + pieceLeft % pieceSize;
      budget = Timeout;
    } else if (remaining > 0 && !SpendTimeout(budget, start)) {
      break;
    }
  }
  // A sized body is whole with its last byte; one read to the close only with the peer's
  // orderly end: a reset, a timeout or a stop leaves it cut short at an unknown place.
  const bool whole =
      sized ? remaining == 0 : FLastError == SocketError::kConnectionReset && FPeerClosed;
  ExceptCheck();
  return whole;
}

void TBlockingSocket::RecvStreamRaw(TStream& Stream, int32_t Timeout) {
  ReceiveInto(Stream, kToTheClose, Timeout);
}

void TBlockingSocket::RecvStreamSize(TStream& Stream, int32_t Timeout, int64_t Size) {
  ReceiveInto(Stream, Size, Timeout);
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
    if (FLastError == 0)
      FLastError = SocketError::kTimedOut;
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
    while ((!FLine.Empty() || WaitingData() >= 1) && drained < kMaxCloseDrainBytes) {
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

}  // namespace net
