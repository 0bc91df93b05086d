#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "net/HTTPClient.h"
#include "net/ProtoUtils.h"
#include "net/SSLNone.h"
#include "net/TCPBlockingSocket.h"
#include "platform/SocketError.h"
#include "tests/support/ScriptedServer.h"

namespace {

namespace SocketError = platform::SocketError;

using net::TTCPBlockingSocket;
using varelo::test::TScript;
using varelo::test::TScriptedServer;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values)
    bytes += static_cast<char>(v);
  return bytes;
}

std::string PortOf(const TScriptedServer& server) {
  return std::to_string(server.Port());
}

// A SOCKS 5 reply granting the request, bound to 127.0.0.9:4660.
const std::string kSocks5Granted = Bytes({5, 0, 0, 1, 127, 0, 0, 9, 0x12, 0x34});

TEST(SocksTunnel, Socks5WithoutUserNameConnectsToANamedTarget) {
  const std::string greeting = Bytes({5, 1, 0});
  const std::string request = Bytes({5, 1, 0, 3, 12}) + "example.test" + Bytes({0x1f, 0x90});
  TScriptedServer server(TScript()
                             .WaitBytes(3)
                             .Send(Bytes({5, 0}))
                             .WaitBytes(3 + request.size())
                             .Send(kSocks5Granted + "hi"));
  TTCPBlockingSocket sock;
  sock.SetSocksIP("127.0.0.1");
  sock.SetSocksPort(PortOf(server));
  sock.Connect("example.test", "8080");
  ASSERT_EQ(sock.LastError(), 0) << sock.LastErrorDesc();
  EXPECT_TRUE(sock.UsingSocks());
  EXPECT_EQ(sock.SocksLastError(), 0);
  EXPECT_EQ(sock.GetLocalSinIP(), "127.0.0.9");
  EXPECT_EQ(sock.GetLocalSinPort(), 0x1234);
  EXPECT_EQ(sock.GetRemoteSinIP(), "example.test");
  EXPECT_EQ(sock.GetRemoteSinPort(), 8080);
  EXPECT_EQ(sock.RecvBufferStr(2, 2000), "hi");
  sock.CloseSocket();
  EXPECT_EQ(server.Received(), greeting + request);
}

TEST(SocksTunnel, Socks5WithUserNameSendsTheCredentials) {
  const std::string auth = Bytes({1, 4}) + "user" + Bytes({6}) + "secret";
  const std::string request = Bytes({5, 1, 0, 1, 127, 0, 0, 1, 0, 80});
  TScriptedServer server(TScript()
                             .WaitBytes(4)
                             .Send(Bytes({5, 2}))
                             .WaitBytes(4 + auth.size())
                             .Send(Bytes({1, 0}))
                             .WaitBytes(4 + auth.size() + request.size())
                             .Send(kSocks5Granted));
  TTCPBlockingSocket sock;
  sock.SetSocksIP("127.0.0.1");
  sock.SetSocksPort(PortOf(server));
  sock.SetSocksUsername("user");
  sock.SetSocksPassword("secret");
  sock.Connect("127.0.0.1", "80");
  EXPECT_EQ(sock.LastError(), 0) << sock.LastErrorDesc();
  sock.CloseSocket();
  EXPECT_EQ(server.Received(), Bytes({5, 2, 2, 0}) + auth + request);
}

TEST(SocksTunnel, Socks5FailuresGive10091AndKeepTheServersStatus) {
  struct TCase {
    const char* name;
    TScript script;
    int socksLastError;
  };
  const std::string request =
      Bytes({5, 1, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0x01, 0xbb});
  std::vector<TCase> cases;
  cases.push_back({"credentials refused",
                   TScript().WaitBytes(4).Send(Bytes({5, 2})).WaitBytes(8).Send(Bytes({1, 1})), 0});
  cases.push_back({"no acceptable method", TScript().WaitBytes(3).Send(Bytes({5, 0xff})), 0});
  cases.push_back({"request refused by rule",
                   TScript()
                       .WaitBytes(3)
                       .Send(Bytes({5, 0}))
                       .WaitBytes(3 + request.size())
                       .Send(Bytes({5, 2, 0, 1, 0, 0, 0, 0, 0, 0})),
                   2});
  cases.push_back({"unknown address type",
                   TScript()
                       .WaitBytes(3)
                       .Send(Bytes({5, 0}))
                       .WaitBytes(3 + request.size())
                       .Send(Bytes({5, 0, 0, 9, 0, 0, 0, 0, 0, 0})),
                   0});
  cases.push_back({"short reply",
                   TScript()
                       .WaitBytes(3)
                       .Send(Bytes({5, 0}))
                       .WaitBytes(3 + request.size())
                       .Send(Bytes({5, 0, 0})),
                   -1});
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptedServer server(c.script);
    TTCPBlockingSocket sock;
    sock.SetSocksIP("127.0.0.1");
    sock.SetSocksPort(PortOf(server));
    sock.SetSocksTimeout(2000);
    if (std::string(c.name) == "credentials refused")
      sock.SetSocksUsername("u");
    sock.Connect("::1", "443");
    EXPECT_NE(sock.LastError(), 0);
    if (std::string(c.name) != "short reply") {
      EXPECT_EQ(sock.LastError(), SocketError::kSystemNotReady);
    }
    if (c.socksLastError != 0) {
      EXPECT_EQ(sock.SocksLastError(), c.socksLastError);
    }
    // The connection to the SOCKS server stays open until the caller closes it.
    EXPECT_NE(sock.Socket(), platform::kInvalidSocket);
    sock.CloseSocket();
  }
}

TEST(SocksTunnel, Socks5ReplyAddressesOfEveryType) {
  struct TCase {
    std::string reply;
    std::string ip;
  };
  std::string ipv6 = Bytes({5, 0, 0, 4}) + net::IPv6ToBytes("fe80::2") + Bytes({0, 7});
  std::vector<TCase> cases = {
      {Bytes({5, 0, 0, 3, 4}) + "host" + Bytes({0, 7}), "host"},
      {ipv6, "fe80::2"},
      {Bytes({5, 0, 0, 1, 1, 2, 3, 4, 0, 7}), "1.2.3.4"},
  };
  for (const auto& c : cases) {
    TScriptedServer server(
        TScript().WaitBytes(3).Send(Bytes({5, 0})).WaitBytes(4).Pause(30).Send(c.reply));
    TTCPBlockingSocket sock;
    sock.SetSocksIP("127.0.0.1");
    sock.SetSocksPort(PortOf(server));
    sock.Connect("h", "1");
    EXPECT_EQ(sock.LastError(), 0);
    EXPECT_EQ(sock.SocksResponseIP(), c.ip);
    EXPECT_EQ(sock.SocksResponsePort(), "7");
    sock.CloseSocket();
  }
}

TEST(SocksTunnel, Socks4SendsTheAddressAndSocks4aTheName) {
  struct TCase {
    const char* name;
    std::string target;
    std::string request;
  };
  std::vector<TCase> cases = {
      {"SOCKS 4 to an address", "127.0.0.1",
       Bytes({4, 1, 0x1f, 0x90, 127, 0, 0, 1}) + "joe" + Bytes({0})},
      {"SOCKS 4a to a name", "files.test",
       Bytes({4, 1, 0x1f, 0x90, 0, 0, 0, 1}) + "joe" + Bytes({0}) + "files.test" + Bytes({0})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptedServer server(
        TScript().WaitBytes(c.request.size()).Send(Bytes({0, 90, 0x1f, 0x90, 10, 0, 0, 5}) + "ok"));
    TTCPBlockingSocket sock;
    sock.SetSocksType(net::ST_Socks4);
    sock.SetSocksIP("127.0.0.1");
    sock.SetSocksPort(PortOf(server));
    sock.SetSocksUsername("joe");
    sock.Connect(c.target, "8080");
    EXPECT_EQ(sock.LastError(), 0) << sock.LastErrorDesc();
    EXPECT_EQ(sock.SocksLastError(), 90);
    EXPECT_EQ(sock.SocksResponseIP(), "10.0.0.5");
    EXPECT_EQ(sock.SocksResponsePort(), "8080");
    EXPECT_EQ(sock.RecvBufferStr(2, 2000), "ok");
    sock.CloseSocket();
    EXPECT_EQ(server.Received(), c.request);
  }
}

TEST(SocksTunnel, LocalResolutionAndOverlongNames) {
  // With SocksResolver off the name is resolved here and sent as an address.
  const std::string request = Bytes({5, 1, 0, 1, 127, 0, 0, 1, 0, 80});
  TScriptedServer server(std::vector<TScript>{
      TScript().WaitBytes(3).Send(Bytes({5, 0})).WaitBytes(3 + request.size()).Send(kSocks5Granted),
      TScript().WaitBytes(3).Send(Bytes({5, 0})).HoldOpen(300),
  });
  TTCPBlockingSocket sock;
  sock.SetSocksIP("127.0.0.1");
  sock.SetSocksPort(PortOf(server));
  sock.SetSocksResolver(false);
  sock.Connect("localhost", "80");
  EXPECT_EQ(sock.LastError(), 0) << sock.LastErrorDesc();
  sock.CloseSocket();
  EXPECT_EQ(server.Received(0), Bytes({5, 1, 0}) + request);
  // A name longer than a length byte can say is refused instead of being sent cut short.
  sock.SetSocksResolver(true);
  sock.Connect(std::string(300, 'n') + ".test", "80");
  EXPECT_EQ(sock.LastError(), SocketError::kSystemNotReady);
  sock.CloseSocket();
  EXPECT_EQ(server.Received(1), Bytes({5, 1, 0}));
}

TEST(SocksTunnel, Socks4RejectionGives10091) {
  TScriptedServer server(TScript().WaitBytes(9).Send(Bytes({0, 91, 0, 0, 0, 0, 0, 0})));
  TTCPBlockingSocket sock;
  sock.SetSocksType(net::ST_Socks4);
  sock.SetSocksIP("127.0.0.1");
  sock.SetSocksPort(PortOf(server));
  sock.Connect("127.0.0.1", "80");
  EXPECT_EQ(sock.LastError(), SocketError::kSystemNotReady);
  EXPECT_EQ(sock.SocksLastError(), 91);
  sock.CloseSocket();
}

TEST(SocksTunnel, ListenAndAcceptThroughSocks5) {
  const std::string bindRequestStart = Bytes({5, 2, 0});
  TScriptedServer server(TScript()
                             .WaitBytes(3)
                             .Send(Bytes({5, 0}))
                             .WaitBytes(6)
                             .Pause(30)
                             .Send(Bytes({5, 0, 0, 1, 0, 0, 0, 0, 0x10, 0x01}))
                             .Pause(30)
                             .Send(Bytes({5, 0, 0, 1, 127, 0, 0, 2, 0x02, 0x2b}) + "data"));
  TTCPBlockingSocket sock;
  sock.SetSocksIP("127.0.0.1");
  sock.SetSocksPort(PortOf(server));
  sock.Listen();
  ASSERT_EQ(sock.LastError(), 0) << sock.LastErrorDesc();
  // Bound to every interface: the SOCKS server's own address is where peers reach us.
  EXPECT_EQ(sock.GetLocalSinIP(), "127.0.0.1");
  EXPECT_EQ(sock.GetLocalSinPort(), 0x1001);
  EXPECT_EQ(sock.Accept(), sock.Socket());
  EXPECT_EQ(sock.LastError(), 0);
  EXPECT_EQ(sock.GetRemoteSinIP(), "127.0.0.2");
  EXPECT_EQ(sock.GetRemoteSinPort(), 555);
  EXPECT_EQ(sock.RecvBufferStr(4, 2000), "data");
  sock.CloseSocket();
  EXPECT_EQ(server.Received().substr(3, 3), bindRequestStart);
}

TEST(SocksTunnel, FailedSocksListenGives11003) {
  TScriptedServer server(TScript()
                             .WaitBytes(3)
                             .Send(Bytes({5, 0}))
                             .WaitBytes(6)
                             .Pause(30)
                             .Send(Bytes({5, 7, 0, 1, 0, 0, 0, 0, 0, 0})));
  TTCPBlockingSocket sock;
  sock.SetSocksIP("127.0.0.1");
  sock.SetSocksPort(PortOf(server));
  sock.Listen();
  EXPECT_EQ(sock.LastError(), SocketError::kNoRecovery);
  EXPECT_EQ(sock.SocksLastError(), 7);
  sock.CloseSocket();
}

TEST(HTTPTunnel, ConnectRequestAndOutcomes) {
  struct TCase {
    const char* name;
    std::string host;
    std::string user;
    std::string reply;
    int error;
    std::string request;
  };
  std::vector<TCase> cases = {
      {"established", "h", "", "HTTP/1.0 200 Connection established\r\n\r\n", 0,
       "CONNECT h:443 HTTP/1.0\r\n\r\n"},
      {"with credentials", "h", "pu", "HTTP/1.1 200 OK\r\nProxy-Agent: x\r\n\r\n", 0,
       "CONNECT h:443 HTTP/1.0\r\nProxy-Authorization: Basic " + net::Base64Encode("pu:pp") +
           "\r\n\r\n"},
      {"IPv6 target in brackets", "::1", "", "HTTP/1.0 200 OK\r\n\r\n", 0,
       "CONNECT [::1]:443 HTTP/1.0\r\n\r\n"},
      {"authentication required", "h", "", "HTTP/1.0 407 Proxy Authentication Required\r\n\r\n",
       SocketError::kConnectionRefused, "CONNECT h:443 HTTP/1.0\r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptedServer server(TScript().WaitFor("\r\n\r\n").Send(c.reply + "after"));
    TTCPBlockingSocket sock;
    sock.SetHTTPTunnelIP("127.0.0.1");
    sock.SetHTTPTunnelPort(PortOf(server));
    sock.SetHTTPTunnelUser(c.user);
    sock.SetHTTPTunnelPass("pp");
    sock.Connect(c.host, "443");
    EXPECT_EQ(sock.LastError(), c.error);
    EXPECT_EQ(sock.HTTPTunnel(), c.error == 0);
    if (c.error == 0) {
      EXPECT_EQ(sock.GetRemoteSinIP(), c.host);
      EXPECT_EQ(sock.GetRemoteSinPort(), 443);
      EXPECT_EQ(sock.RecvBufferStr(5, 2000), "after");
    }
    sock.CloseSocket();
    EXPECT_EQ(server.Received(), c.request);
  }
}

TEST(HTTPTunnel, EndlessProxyReplyStopsAtTheHeaderLimit) {
  std::string lines = "HTTP/1.0 200 OK\r\n";
  while (lines.size() < 1100000)
    lines += "X-Filler: 0123456789012345678901234567890123456789\r\n";
  TScriptedServer server(TScript().WaitFor("\r\n\r\n").Send(lines).HoldOpen(5000));
  TTCPBlockingSocket sock;
  sock.SetHTTPTunnelIP("127.0.0.1");
  sock.SetHTTPTunnelPort(PortOf(server));
  sock.Connect("h", "443");
  EXPECT_EQ(sock.LastError(), SocketError::kNoBufferSpace);
  sock.CloseSocket();
}

TEST(HTTPTunnel, RefusedTunnelRaisesWhenAsked) {
  TScriptedServer server(TScript().WaitFor("\r\n\r\n").Send("HTTP/1.0 403 Forbidden\r\n\r\n"));
  TTCPBlockingSocket sock;
  sock.SetRaiseExcept(true);
  sock.SetHTTPTunnelIP("127.0.0.1");
  sock.SetHTTPTunnelPort(PortOf(server));
  try {
    sock.Connect("h", "443");
    ADD_FAILURE() << "no exception";
  } catch (const net::ETramaError& e) {
    EXPECT_EQ(e.ErrorCode(), SocketError::kConnectionRefused);
    EXPECT_STREQ(e.what(), "Trama TCP/IP Socket error 10061: Connection refused");
  }
  sock.SetRaiseExcept(false);
  sock.CloseSocket();
}

TEST(SSLPlugin, WithoutSSLSupportEveryStartFails) {
  TScriptedServer server(TScript().HoldOpen(500));
  TTCPBlockingSocket sock(&net::TSSLNone::Create);
  EXPECT_EQ(sock.SSL().LibVersion(), "Without SSL support");
  EXPECT_EQ(sock.SSL().LibName(), "ssl_none");
  EXPECT_EQ(sock.SSL().GetPeerSerialNo(), -1);
  EXPECT_EQ(sock.SSL().GetVerifyCert(), 1);
  // It cannot continue another connection's session either, and that is no failure.
  TTCPBlockingSocket other(&net::TSSLNone::Create);
  EXPECT_FALSE(sock.SSL().ContinueSessionOf(other.SSL()));
  EXPECT_EQ(sock.SSL().LastError(), 0);
  sock.Connect("127.0.0.1", PortOf(server));
  ASSERT_EQ(sock.LastError(), 0);
  sock.SSLDoConnect();
  EXPECT_EQ(sock.LastError(), SocketError::kSystemNotReady);
  EXPECT_EQ(sock.LastErrorDesc(), "SSL/TLS support is not compiled!");
  EXPECT_FALSE(sock.SSLAcceptConnection());
  // Without an enabled plug-in the data still goes straight to the socket.
  EXPECT_FALSE(sock.SSL().SSLEnabled());
  sock.CloseSocket();
}

TEST(SSLPlugin, HttpsRequestToAServerWithoutTlsFailsAtTheSSLStep) {
  TScriptedServer server(TScript().HoldOpen(500));
  net::THTTPClient client;
  EXPECT_FALSE(client.HTTPMethod("GET", "https://127.0.0.1:" + PortOf(server) + "/x"));
  EXPECT_EQ(client.ResultCode(), 500);
  EXPECT_EQ(client.Sock().LastError(), SocketError::kSystemNotReady);
#ifdef VARELO_HAVE_OPENSSL
  EXPECT_EQ(client.Sock().SSL().LibName(), "ssl_openssl");
  EXPECT_EQ(client.Sock().LastErrorDesc().rfind("TLS handshake failed: ", 0), 0u)
      << client.Sock().LastErrorDesc();
#else
  EXPECT_EQ(client.Sock().SSL().LibName(), "ssl_none");
  EXPECT_EQ(client.Sock().LastErrorDesc(), "SSL/TLS support is not compiled!");
#endif
  EXPECT_TRUE(client.Sock().SSL().SNIHost.empty());
}

TEST(SSLPlugin, AssignCopiesTheSettings) {
  TTCPBlockingSocket a;
  TTCPBlockingSocket b;
  a.SSL().Username = "u";
  a.SSL().SNIHost = "sni";
  a.SSL().SetCertCAFile("ca.pem");
  a.SSL().CertComplianceLevel = 3;
  a.SSL().SSLType = net::LT_TLSv1_2;
  a.SSL().AcceptUnverified = true;
  b.SSL().Assign(a.SSL());
  EXPECT_TRUE(b.SSL().AcceptUnverified);
  EXPECT_EQ(b.SSL().Username, "u");
  EXPECT_EQ(b.SSL().SNIHost, "sni");
  EXPECT_EQ(b.SSL().CertCAFile(), "ca.pem");
  EXPECT_EQ(b.SSL().CertComplianceLevel, 3);
  EXPECT_EQ(b.SSL().SSLType, net::LT_TLSv1_2);
}

// A plug-in that "encrypts" by flipping every bit, to see that an enabled plug-in carries
// every byte both ways and that the hooks and counters still see the plain data.
class TFlipSSL : public net::TCustomSSL {
 public:
  using TCustomSSL::TCustomSSL;
  static std::unique_ptr<net::TCustomSSL> Create(TTCPBlockingSocket* socket) {
    return std::make_unique<TFlipSSL>(socket);
  }
  bool Connect() override {
    fSSLEnabled = true;
    return true;
  }
  int SendBuffer(const void* buffer, int length) override {
    std::string data(static_cast<const char*>(buffer), static_cast<size_t>(length));
    for (char& c : data)
      c = static_cast<char>(~c);
    return platform::SockSend(fSocket->Socket(), data.data(), length, 0);
  }
  int RecvBuffer(void* buffer, int length) override {
    int count = platform::SockRecv(fSocket->Socket(), buffer, length, 0);
    for (int i = 0; i < count; ++i)
      static_cast<char*>(buffer)[i] ^= '\xff';
    return count;
  }
  int WaitingData() override { return 0; }
};

std::string Flip(std::string data) {
  for (char& c : data)
    c = static_cast<char>(~c);
  return data;
}

TEST(SSLPlugin, EnabledPluginCarriesEveryTransfer) {
  TScriptedServer server(TScript().WaitBytes(5).Send(Flip("world\r\n")));
  TTCPBlockingSocket sock(&TFlipSSL::Create);
  sock.Connect("127.0.0.1", PortOf(server));
  sock.SSLDoConnect();
  ASSERT_EQ(sock.LastError(), 0);
  std::string seen;
  sock.SetOnMonitor([&](net::TBlockingSocket*, bool writing, const void* buffer, int32_t length) {
    if (writing)
      seen.assign(static_cast<const char*>(buffer), static_cast<size_t>(length));
  });
  sock.SendString("hello");
  EXPECT_EQ(seen, "hello");
  EXPECT_EQ(sock.RecvString(2000), "world");
  EXPECT_EQ(sock.SendCounter(), 5);
  EXPECT_EQ(sock.RecvCounter(), 7);
  sock.CloseSocket();
  EXPECT_EQ(server.Received(), Flip("hello"));
}

}  // namespace
