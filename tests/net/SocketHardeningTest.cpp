// The socket layer against proxies that fail half-way and against arithmetic at its limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "net/ProtoUtils.h"
#include "net/TCPBlockingSocket.h"
#include "platform/SocketError.h"
#include "tests/support/ScriptedServer.h"

namespace {

namespace SocketError = platform::SocketError;

using net::TTCPBlockingSocket;
using varelo::test::TScript;
using varelo::test::TScriptedServer;

std::string PortOf(const TScriptedServer& server) {
  return std::to_string(server.Port());
}

// Shows what the socket keeps to itself.
class TOpenSocket : public TTCPBlockingSocket {
 public:
  bool Bypass() const { return FBypassFlag; }
  using TTCPBlockingSocket::ThrottleTransfer;
};

TEST(SocketHardening, TunnelCredentialsGoThroughTheAnsiCodePage) {
  TScriptedServer server(TScript().WaitFor("\r\n\r\n").Send("HTTP/1.0 200 OK\r\n\r\n"));
  TTCPBlockingSocket sock;
  sock.SetHTTPTunnelIP("127.0.0.1");
  sock.SetHTTPTunnelPort(PortOf(server));
  sock.SetHTTPTunnelUser("jos\xC3\xA9");   // "josé" as UTF-8 text
  sock.SetHTTPTunnelPass("se\xC3\xB1ha");  // "señha"
  sock.Connect("h", "443");
  EXPECT_EQ(sock.LastError(), 0);
  sock.CloseSocket();
  EXPECT_NE(server.Received().find("Proxy-Authorization: Basic " +
                                   net::Base64Encode("jos\xE9:se\xF1ha") + "\r\n"),
            std::string::npos)
      << server.Received();
}

TEST(SocketHardening, SettingsComeBackWhenATunnelRaises) {
  {
    SCOPED_TRACE("SOCKS bypass");
    TScriptedServer server(TScript().WaitBytes(3).Close());
    TOpenSocket sock;
    sock.SetRaiseExcept(true);
    sock.SetSocksIP("127.0.0.1");
    sock.SetSocksPort(PortOf(server));
    EXPECT_THROW(sock.Connect("h", "80"), net::ETramaError);
    EXPECT_FALSE(sock.Bypass());
    sock.SetRaiseExcept(false);
    sock.CloseSocket();
  }
  {
    SCOPED_TRACE("CONNECT line limit");
    TScriptedServer server(TScript().WaitFor("\r\n\r\n").Send("HTTP/1.0 200 Conn"));
    TOpenSocket sock;
    sock.SetRaiseExcept(true);
    sock.SetHTTPTunnelIP("127.0.0.1");
    sock.SetHTTPTunnelPort(PortOf(server));
    EXPECT_THROW(sock.Connect("h", "443"), net::ETramaError);
    EXPECT_EQ(sock.MaxLineLength(), 0);
    sock.SetRaiseExcept(false);
    sock.CloseSocket();
  }
}

TEST(SocketHardening, ABandwidthWaitTooLongForTheTickRangeIsHeldAtItsEnd) {
  // 4,294,968 bytes at one byte per second is a wait just past 2^32 ms: converted without a
  // bound it would wrap to under a second.
  TOpenSocket sock;
  uint32_t next = net::TickNow();
  sock.ThrottleTransfer(4294968, 1, next);
  const int32_t ahead = static_cast<int32_t>(next - net::TickNow());
  EXPECT_GT(ahead, 1 << 30);
}

// A stream that claims 2 GiB without holding them.
class THugeStream : public net::TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t n = std::min(count, size_ - position_);
    std::memset(buffer, 0, static_cast<size_t>(n));
    position_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, net::TSeekOrigin origin) override {
    position_ = origin == net::TSeekOrigin::soBeginning ? offset
                : origin == net::TSeekOrigin::soCurrent ? position_ + offset
                                                        : size_ + offset;
    return position_;
  }
  int64_t Size() override { return size_; }
  bool SetSize(int64_t) override { return false; }

 private:
  int64_t size_ = int64_t{1} << 31;
  int64_t position_ = 0;
};

TEST(SocketHardening, AStreamTooLargeForItsSizeFieldIsRefused) {
  TScriptedServer server(TScript().HoldOpen(1000));
  TTCPBlockingSocket sock;
  sock.Connect("127.0.0.1", PortOf(server));
  ASSERT_EQ(sock.LastError(), 0);
  THugeStream stream;
  sock.SendStream(stream);
  EXPECT_EQ(sock.LastError(), SocketError::kMessageTooLong);
  EXPECT_EQ(sock.SendCounter(), 0);
  sock.SendStreamMSB(stream);
  EXPECT_EQ(sock.LastError(), SocketError::kMessageTooLong);
  EXPECT_EQ(sock.SendCounter(), 0);
  sock.CloseSocket();
}

}  // namespace
