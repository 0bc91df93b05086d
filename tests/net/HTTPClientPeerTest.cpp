#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "net/HTTPClient.h"
#include "platform/SocketError.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Peers.h"

namespace {

namespace SocketError = platform::SocketError;

using net::THTTPClient;
using varelo::test::TMicrosocks;
using varelo::test::TNginx;
using varelo::test::TTinyproxy;
using varelo::test::WriteFileBytes;

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i)
    data[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
  return data;
}

bool HasHeader(const std::vector<std::string>& lines, const std::string& prefix) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

class NginxPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!nginx_.Started())
      VARELO_PEER_MISSING("nginx did not start: " << nginx_.Log());
    WriteFileBytes(nginx_.Root() + "/hello.txt", "hello world\n");
    WriteFileBytes(nginx_.Root() + "/big.bin", big_);
  }
  TNginx nginx_;
  const std::string big_ = Pattern(300000);
};

TEST_F(NginxPeer, GetReadsTheWholeFile) {
  THTTPClient client;
  ASSERT_TRUE(client.HTTPMethod("GET", nginx_.Url("/big.bin")));
  EXPECT_EQ(client.ResultCode(), 200);
  EXPECT_EQ(client.ResultString(), "OK");
  EXPECT_EQ(client.DownloadSize(), static_cast<int64_t>(big_.size()));
  EXPECT_TRUE(client.Document().Data() == big_);
  EXPECT_EQ(client.Sock().Socket(), platform::kInvalidSocket);  // version 1.0 closes
}

TEST_F(NginxPeer, HeadReadsHeadersOnly) {
  THTTPClient client;
  ASSERT_TRUE(client.HTTPMethod("HEAD", nginx_.Url("/big.bin")));
  EXPECT_EQ(client.ResultCode(), 200);
  EXPECT_TRUE(HasHeader(client.Headers(), "Content-Length: 300000"));
  EXPECT_EQ(client.Document().Size(), 0);
}

TEST_F(NginxPeer, RangesGivePartialContent) {
  THTTPClient client;
  client.SetRangeStart(1000);
  client.SetRangeEnd(1999);
  ASSERT_TRUE(client.HTTPMethod("GET", nginx_.Url("/big.bin")));
  EXPECT_EQ(client.ResultCode(), 206);
  EXPECT_TRUE(client.Document().Data() == big_.substr(1000, 1000));
  client.Clear();
  client.SetRangeStart(299990);
  ASSERT_TRUE(client.HTTPMethod("GET", nginx_.Url("/big.bin")));
  EXPECT_EQ(client.ResultCode(), 206);
  EXPECT_TRUE(HasHeader(client.Headers(), "Content-Range: bytes 299990-299999/300000"));
  EXPECT_EQ(client.Document().Data(), big_.substr(299990));
}

TEST_F(NginxPeer, RedirectAndMissingAreResults) {
  THTTPClient client;
  ASSERT_TRUE(client.HTTPMethod("GET", nginx_.Url("/redirect")));
  EXPECT_EQ(client.ResultCode(), 302);
  EXPECT_TRUE(HasHeader(client.Headers(), "Location: " + nginx_.Url("/hello.txt")));
  client.Clear();
  ASSERT_TRUE(client.HTTPMethod("GET", nginx_.Url("/missing")));
  EXPECT_EQ(client.ResultCode(), 404);
  EXPECT_EQ(client.ResultString(), "Not Found");
}

TEST_F(NginxPeer, KeepAliveWithVersion11ReusesOneConnection) {
  THTTPClient client;
  client.SetProtocol("1.1");
  int created = 0;
  client.Sock().SetOnStatus([&](net::TBlockingSocket*, net::THookSocketReason reason,
                                const std::string&) { created += reason == net::HR_SocketCreate; });
  for (int i = 0; i < 3; ++i) {
    client.Clear();
    ASSERT_TRUE(client.HTTPMethod("GET", nginx_.Url("/hello.txt")));
    EXPECT_EQ(client.Document().Data(), "hello world\n");
  }
  EXPECT_EQ(created, 1);
  EXPECT_NE(client.Sock().Socket(), platform::kInvalidSocket);
  // Version 1.0 closes after each response: the first request still finds the kept
  // connection, every later one opens its own.
  client.SetProtocol("1.0");
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(client.HTTPMethod("GET", nginx_.Url("/hello.txt")));
  EXPECT_EQ(created, 3);
  EXPECT_EQ(client.Sock().Socket(), platform::kInvalidSocket);
}

TEST_F(NginxPeer, StatusAndMonitorHooksOfAPlainGet) {
  THTTPClient client;
  struct TEvent {
    net::THookSocketReason reason;
    std::string value;
    int64_t downloadSize;
  };
  std::vector<TEvent> events;
  client.Sock().SetOnStatus(
      [&](net::TBlockingSocket*, net::THookSocketReason reason, const std::string& value) {
        events.push_back({reason, value, client.DownloadSize()});
      });
  std::string written;
  int64_t read = 0;
  int writes = 0;
  client.Sock().SetOnMonitor(
      [&](net::TBlockingSocket*, bool writing, const void* buffer, int32_t length) {
        if (writing) {
          ++writes;
          written.assign(static_cast<const char*>(buffer), static_cast<size_t>(length));
        } else {
          read += length;
        }
      });
  ASSERT_TRUE(client.HTTPMethod("GET", nginx_.Url("/big.bin")));
  const std::string hostPort = "127.0.0.1:" + std::to_string(nginx_.Port());
  ASSERT_GE(events.size(), 8u);
  EXPECT_EQ(events[0].reason, net::HR_SocketClose);
  EXPECT_EQ(events[1].reason, net::HR_ResolvingBegin);
  EXPECT_EQ(events[1].value, hostPort);
  EXPECT_EQ(events[2].reason, net::HR_ResolvingEnd);
  EXPECT_EQ(events[2].value, hostPort);
  EXPECT_EQ(events[3].reason, net::HR_SocketCreate);
  EXPECT_EQ(events[3].value, "IPv4");
  EXPECT_EQ(events[4].reason, net::HR_Connect);
  EXPECT_EQ(events[4].value, hostPort);
  EXPECT_EQ(events[5].reason, net::HR_WriteCount);
  EXPECT_EQ(events[5].value, std::to_string(written.size()));
  EXPECT_EQ(events.back().reason, net::HR_SocketClose);
  int64_t counted = 0;
  bool sawBodyPacket = false;
  for (size_t i = 6; i + 1 < events.size(); ++i) {
    ASSERT_TRUE(events[i].reason == net::HR_CanRead || events[i].reason == net::HR_ReadCount)
        << "event " << i << " is " << events[i].reason;
    if (events[i].reason == net::HR_ReadCount)
      counted += std::stoll(events[i].value);
    if (events[i].reason == net::HR_ReadCount && events[i].downloadSize == 300000) {
      sawBodyPacket = true;
    }
  }
  EXPECT_TRUE(sawBodyPacket);
  EXPECT_EQ(counted, read);
  EXPECT_EQ(read, client.Sock().RecvCounter());
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(written.rfind("GET /big.bin HTTP/1.0\r\n", 0), 0u);
}

TEST_F(NginxPeer, OutputStreamReceivesTheBody) {
  varelo::test::TTempPrefix prefix;
  net::TFileStream file;
  ASSERT_TRUE(file.Open(varelo::test::InPrefix("c:\\out.bin"), platform::TFileAccess::ReadWrite,
                        platform::TFileCreate::CreateAlways));
  THTTPClient client;
  client.SetOutputStream(&file);
  ASSERT_TRUE(client.HTTPMethod("GET", nginx_.Url("/big.bin")));
  file.Close();
  EXPECT_TRUE(varelo::test::ReadFileBytes(prefix.Drive('c') + "/out.bin") == big_);
  EXPECT_EQ(client.Document().Size(), 0);
}

TEST_F(NginxPeer, AbsoluteFormThroughTinyproxy) {
  TTinyproxy proxy;
  if (!proxy.Started())
    VARELO_PEER_MISSING("tinyproxy did not start: " << proxy.Log());
  THTTPClient client;
  client.SetProxyHost("127.0.0.1");
  client.SetProxyPort(std::to_string(proxy.Port()));
  ASSERT_TRUE(client.HTTPMethod("GET", nginx_.Url("/big.bin"))) << client.Sock().LastErrorDesc();
  EXPECT_EQ(client.ResultCode(), 200);
  EXPECT_TRUE(client.Document().Data() == big_);
  client.Clear();
  ASSERT_TRUE(client.HTTPMethod("GET", nginx_.Url("/missing")));
  EXPECT_EQ(client.ResultCode(), 404);
}

TEST_F(NginxPeer, ConnectTunnelThroughTinyproxy) {
  TTinyproxy proxy;
  if (!proxy.Started())
    VARELO_PEER_MISSING("tinyproxy did not start: " << proxy.Log());
  net::TTCPBlockingSocket sock;
  sock.SetHTTPTunnelIP("127.0.0.1");
  sock.SetHTTPTunnelPort(std::to_string(proxy.Port()));
  sock.Connect("127.0.0.1", std::to_string(nginx_.Port()));
  ASSERT_EQ(sock.LastError(), 0) << sock.LastErrorDesc() << proxy.Log();
  EXPECT_TRUE(sock.HTTPTunnel());
  EXPECT_EQ(sock.GetRemoteSinPort(), nginx_.Port());
  sock.SendString("GET /hello.txt HTTP/1.0\r\nHost: x\r\n\r\n");
  sock.SetConvertLineEnd(true);
  EXPECT_EQ(sock.RecvString(5000), "HTTP/1.1 200 OK");
  sock.CloseSocket();

  // An https request takes the same tunnel and then fails at the SSL step.
  THTTPClient client;
  client.SetProxyHost("127.0.0.1");
  client.SetProxyPort(std::to_string(proxy.Port()));
  EXPECT_FALSE(
      client.HTTPMethod("GET", "https://127.0.0.1:" + std::to_string(nginx_.Port()) + "/"));
  EXPECT_TRUE(client.Sock().HTTPTunnel());
  EXPECT_EQ(client.Sock().LastError(), SocketError::kSystemNotReady);
}

TEST_F(NginxPeer, Socks5ThroughMicrosocks) {
  struct TCase {
    const char* name;
    std::string serverUser, serverPass, clientUser, clientPass;
    int error;
  };
  const std::vector<TCase> cases = {
      {"without password", "", "", "", "", 0},
      {"with password", "joe", "s3cret", "joe", "s3cret", 0},
      {"with a wrong password", "joe", "s3cret", "joe", "wrong", SocketError::kSystemNotReady},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMicrosocks socks(c.serverUser, c.serverPass);
    if (!socks.Started())
      VARELO_PEER_MISSING("microsocks did not start: " << socks.Log());
    THTTPClient client;
    client.Sock().SetSocksIP("127.0.0.1");
    client.Sock().SetSocksPort(std::to_string(socks.Port()));
    client.Sock().SetSocksUsername(c.clientUser);
    client.Sock().SetSocksPassword(c.clientPass);
    bool ok = client.HTTPMethod("GET", nginx_.Url("/big.bin"));
    EXPECT_EQ(client.Sock().LastError(), c.error) << client.Sock().LastErrorDesc();
    if (c.error == 0) {
      EXPECT_TRUE(ok);
      EXPECT_TRUE(client.Document().Data() == big_);
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(client.ResultCode(), 500);
    }
  }
}

}  // namespace
