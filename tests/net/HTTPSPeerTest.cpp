#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/HTTPClient.h"
#include "net/TCPBlockingSocket.h"
#include "platform/SocketError.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Peers.h"
#include "tests/support/Process.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TestCerts.h"
#ifdef VARELO_HAVE_OPENSSL
#include "net/SSLOpenSSL.h"
#endif

namespace {

namespace SocketError = platform::SocketError;

using net::THTTPClient;
using net::TTCPBlockingSocket;
using varelo::test::SharedTestCerts;
using varelo::test::TNginx;
using varelo::test::TNginxTls;
using varelo::test::TTestCerts;
using varelo::test::TTinyproxy;
using varelo::test::TTrustStore;
using varelo::test::WriteFileBytes;

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i)
    data[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
  return data;
}

// A location that serves the files again without a length: the substitution filter (set to a
// text that never occurs) drops Content-Length, so an HTTP/1.1 answer comes chunked.
const char* const kServerLines =
    "    location /chunked/ { rewrite ^/chunked/(.*)$ /$1 break; sub_filter_types *;\n"
    "      sub_filter 'q9Zx!never' ''; }\n"
    "    location = /sni { return 200 \"$ssl_server_name\"; }\n";

class HTTPSPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Certs().Made())
      VARELO_PEER_MISSING("test certificates: " << Certs().Log());
  }
  static const TTestCerts& Certs() { return SharedTestCerts(); }

  // nginx speaking https with the named certificate, serving big.bin.
  std::unique_ptr<TNginx> Serve(const std::string& cert, const std::string& protocols = "",
                                const std::string& ciphers = "") {
    TNginxTls tls;
    tls.certificateFile = Certs().Cert(cert);
    tls.keyFile = Certs().Key(cert);
    if (!protocols.empty())
      tls.protocols = protocols;
    tls.ciphers = ciphers;
    auto nginx = std::make_unique<TNginx>(kServerLines, &tls);
    if (nginx->Started())
      WriteFileBytes(nginx->Root() + "/big.bin", big_);
    return nginx;
  }

  std::string Url(const TNginx& nginx, const std::string& host, const std::string& path) {
    return "https://" + host + ":" + std::to_string(nginx.Port()) + path;
  }

  TTrustStore trust_{SharedTestCerts().CaFile()};
  const std::string big_ = Pattern(700000);
};

#ifdef VARELO_HAVE_OPENSSL

TEST_F(HTTPSPeer, GetIsByteForByteSizedAndChunked) {
  auto nginx = Serve("good");
  if (!nginx->Started())
    VARELO_PEER_MISSING("nginx did not start: " << nginx->Log());
  struct TCase {
    const char* host;
    const char* path;
    const char* protocol;
    bool chunked;
  };
  const std::vector<TCase> cases = {
      {"127.0.0.1", "/big.bin", "1.0", false},
      {"localhost", "/big.bin", "1.1", false},
      {"127.0.0.1", "/chunked/big.bin", "1.1", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.host) + c.path);
    THTTPClient client;
    client.SetProtocol(c.protocol);
    ASSERT_TRUE(client.HTTPMethod("GET", Url(*nginx, c.host, c.path)))
        << client.Sock().LastErrorDesc() << nginx->Log();
    EXPECT_EQ(client.ResultCode(), 200);
    EXPECT_TRUE(client.Document().Data() == big_);
    bool sawChunked = false;
    for (const auto& line : client.Headers())
      sawChunked = sawChunked || line.find("chunked") != std::string::npos;
    EXPECT_EQ(sawChunked, c.chunked);
    EXPECT_EQ(client.Sock().SSL().LibName(), "ssl_openssl");
    EXPECT_EQ(client.Sock().SSL().GetVerifyCert(), 0);
  }
}

TEST_F(HTTPSPeer, PeerCertificateGettersDescribeTheServer) {
  auto nginx = Serve("good");
  if (!nginx->Started())
    VARELO_PEER_MISSING("nginx did not start: " << nginx->Log());
  std::string fingerprint;
  ASSERT_EQ(varelo::test::RunCommand({"openssl", "x509", "-noout", "-fingerprint", "-sha256", "-in",
                                      Certs().Cert("good")},
                                     &fingerprint),
            0);
  fingerprint = fingerprint.substr(fingerprint.find('=') + 1);
  fingerprint.erase(fingerprint.find_last_not_of("\r\n") + 1);

  THTTPClient client;
  ASSERT_TRUE(client.HTTPMethod("GET", Url(*nginx, "localhost", "/sni")));
  // The request has ended and the connection is closed; what the handshake saw stays.
  net::TCustomSSL& ssl = client.Sock().SSL();
  EXPECT_EQ(client.Document().Data(), "localhost");  // the server name sent
  EXPECT_EQ(ssl.GetPeerName(), "localhost");
  EXPECT_EQ(ssl.GetPeerSubject(), "/CN=localhost");
  EXPECT_EQ(ssl.GetPeerIssuer(), "/CN=Varelo Test CA");
  EXPECT_EQ(ssl.GetPeerSerialNo(), 0x1000);  // the first the test CA issued
  EXPECT_EQ(ssl.GetPeerFingerprint(), fingerprint);
  EXPECT_NE(ssl.GetPeerNameHash(), 0u);
  EXPECT_NE(ssl.GetCertInfo().find("Subject: CN=localhost"), std::string::npos)
      << ssl.GetCertInfo();
  EXPECT_EQ(ssl.GetSSLVersion().rfind("TLSv1.", 0), 0u) << ssl.GetSSLVersion();
  EXPECT_FALSE(ssl.GetCipherName().empty());
  EXPECT_GE(ssl.GetCipherBits(), 128);
  EXPECT_GE(ssl.GetCipherAlgBits(), 128);
  EXPECT_EQ(ssl.LibVersion().rfind("OpenSSL 3", 0), 0u) << ssl.LibVersion();
  EXPECT_FALSE(ssl.SSLEnabled());
  // An address is checked as an address and sent as no server name.
  client.Clear();
  ASSERT_TRUE(client.HTTPMethod("GET", Url(*nginx, "127.0.0.1", "/sni")));
  EXPECT_EQ(client.Document().Data(), "");
}

TEST_F(HTTPSPeer, UntrustedServersAreRefusedWithAClearText) {
  struct TCase {
    const char* name;
    const char* cert;
    const char* protocols;
    const char* ciphers;
    const char* host;
    std::string text;
  };
  // Debian's OpenSSL still serves TLS 1.0 when the server's ciphers drop to security level 0.
  const std::vector<TCase> cases = {
      {"expired", "expired", "", "", "127.0.0.1",
       "certificate verify failed: certificate has expired, host 127.0.0.1"},
      {"for another name, by address", "othername", "", "", "127.0.0.1",
       "certificate verify failed: IP address mismatch, host 127.0.0.1"},
      {"for another name, by name", "othername", "", "", "localhost",
       "certificate verify failed: hostname mismatch, host localhost"},
      {"self-signed", "selfsigned", "", "", "127.0.0.1",
       "certificate verify failed: self-signed certificate, host 127.0.0.1"},
      {"TLS 1.0 only", "good", "TLSv1", "DEFAULT@SECLEVEL=0", "127.0.0.1",
       "protocol refused: TLS 1.2 or later is required"},
      {"TLS 1.1 only", "good", "TLSv1.1", "DEFAULT@SECLEVEL=0", "localhost",
       "protocol refused: TLS 1.2 or later is required"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto nginx = Serve(c.cert, c.protocols, c.ciphers);
    if (!nginx->Started())
      VARELO_PEER_MISSING("nginx did not start: " << nginx->Log());
    THTTPClient client;
    EXPECT_FALSE(client.HTTPMethod("GET", Url(*nginx, c.host, "/big.bin")));
    EXPECT_EQ(client.ResultCode(), 500);
    EXPECT_EQ(client.Sock().LastError(), SocketError::kSystemNotReady);
    EXPECT_EQ(client.Sock().LastErrorDesc().substr(0, c.text.size()), c.text);
    EXPECT_NE(client.Sock().SSL().LastError(), 0);
    EXPECT_EQ(client.Document().Size(), 0);
  }
}

TEST_F(HTTPSPeer, OnlyAnExplicitSettingSkipsTheChecks) {
  auto nginx = Serve("selfsigned");
  if (!nginx->Started())
    VARELO_PEER_MISSING("nginx did not start: " << nginx->Log());
  THTTPClient client;
  client.Sock().SSL().VerifyCert = false;  // the interface's default asks for nothing more
  EXPECT_FALSE(client.HTTPMethod("GET", Url(*nginx, "127.0.0.1", "/big.bin")));
  client.Sock().SSL().AcceptUnverified = true;
  client.Clear();
  ASSERT_TRUE(client.HTTPMethod("GET", Url(*nginx, "127.0.0.1", "/big.bin")));
  EXPECT_TRUE(client.Document().Data() == big_);
  EXPECT_NE(client.Sock().SSL().GetVerifyCert(), 1);
}

TEST_F(HTTPSPeer, VerifyHookSeesTheCheckedPeerAndMayRefuseIt) {
  auto nginx = Serve("good");
  if (!nginx->Started())
    VARELO_PEER_MISSING("nginx did not start: " << nginx->Log());
  for (bool accept : {true, false}) {
    SCOPED_TRACE(accept);
    THTTPClient client;
    std::string seen;
    client.Sock().SSL().OnVerifyCert = [&](net::TCustomSSL* sender) {
      seen = sender->GetPeerName() + " " + std::to_string(sender->GetVerifyCert());
      return accept;
    };
    EXPECT_EQ(client.HTTPMethod("GET", Url(*nginx, "127.0.0.1", "/big.bin")), accept);
    EXPECT_EQ(seen, "localhost 0");
    if (!accept) {
      EXPECT_EQ(client.Sock().LastErrorDesc(),
                "certificate refused by the application, host 127.0.0.1");
      EXPECT_EQ(client.Document().Size(), 0);
    }
  }
}

TEST_F(HTTPSPeer, CertCAFileTakesThePlaceOfTheSystemStore) {
  auto nginx = Serve("good");
  if (!nginx->Started())
    VARELO_PEER_MISSING("nginx did not start: " << nginx->Log());
  TTrustStore nothingTrusted(Certs().Cert("selfsigned"));
  THTTPClient client;
  EXPECT_FALSE(client.HTTPMethod("GET", Url(*nginx, "127.0.0.1", "/big.bin")));
  EXPECT_EQ(client.Sock().LastErrorDesc(),
            "certificate verify failed: unable to get local issuer certificate, host 127.0.0.1");
  client.Sock().SSL().SetCertCAFile(Certs().CaFile());
  EXPECT_TRUE(client.HTTPMethod("GET", Url(*nginx, "127.0.0.1", "/big.bin")));
  client.Sock().SSL().SetCertCAFile("/nonexistent/ca.pem");
  EXPECT_FALSE(client.HTTPMethod("GET", Url(*nginx, "127.0.0.1", "/big.bin")));
  EXPECT_EQ(client.Sock().LastErrorDesc().rfind("cannot read the CA file", 0), 0u)
      << client.Sock().LastErrorDesc();
}

TEST_F(HTTPSPeer, KeepAliveReusesOneTlsConnection) {
  auto nginx = Serve("good");
  if (!nginx->Started())
    VARELO_PEER_MISSING("nginx did not start: " << nginx->Log());
  THTTPClient client;
  client.SetProtocol("1.1");
  int created = 0;
  client.Sock().SetOnStatus([&](net::TBlockingSocket*, net::THookSocketReason reason,
                                const std::string&) { created += reason == net::HR_SocketCreate; });
  // The session tickets a TLS 1.3 server sends after the handshake are no data: they must
  // not make the idle connection look closed or readable.
  for (int i = 0; i < 3; ++i) {
    client.Clear();
    ASSERT_TRUE(client.HTTPMethod("GET", Url(*nginx, "127.0.0.1", "/big.bin")));
    EXPECT_TRUE(client.Document().Data() == big_);
  }
  EXPECT_EQ(created, 1);
}

TEST_F(HTTPSPeer, ConnectTunnelThroughTinyproxyThenTls) {
  auto nginx = Serve("good");
  if (!nginx->Started())
    VARELO_PEER_MISSING("nginx did not start: " << nginx->Log());
  TTinyproxy proxy;
  if (!proxy.Started())
    VARELO_PEER_MISSING("tinyproxy did not start: " << proxy.Log());
  THTTPClient client;
  client.SetProxyHost("127.0.0.1");
  client.SetProxyPort(std::to_string(proxy.Port()));
  ASSERT_TRUE(client.HTTPMethod("GET", Url(*nginx, "localhost", "/sni")))
      << client.Sock().LastErrorDesc() << proxy.Log();
  EXPECT_EQ(client.Document().Data(), "localhost");  // SNI carries the target, not the proxy
  EXPECT_EQ(client.Sock().SSL().GetPeerName(), "localhost");
  client.Clear();
  ASSERT_TRUE(client.HTTPMethod("GET", Url(*nginx, "localhost", "/big.bin")));
  EXPECT_TRUE(client.Document().Data() == big_);
}

// A TLS server of the test's own, on the plug-in's server side, for behaviour nginx does not
// show: it accepts one connection, plays `script` on it and then closes as told.
class TTlsServer {
 public:
  enum class TEnd { Orderly, Cut };
  TTlsServer(std::function<void(TTCPBlockingSocket&)> script, TEnd end) {
    listener_.Bind("127.0.0.1", "0");
    listener_.Listen();
    port_ = std::to_string(listener_.GetLocalSinPort());
    thread_ = std::thread([this, script = std::move(script), end] {
      if (!listener_.CanRead(5000))
        return;
      TTCPBlockingSocket peer(&net::TSSLOpenSSL::Create);
      peer.SetSocket(listener_.Accept());
      peer.SSL().CertificateFile = SharedTestCerts().Cert("good");
      peer.SSL().PrivateKeyFile = SharedTestCerts().Key("good");
      if (!peer.SSLAcceptConnection()) {
        error_ = peer.LastErrorDesc();
        return;
      }
      script(peer);
      if (end == TEnd::Cut)
        peer.AbortSocket();  // no close_notify: the stream just stops
      else
        peer.CloseSocket();
    });
  }
  ~TTlsServer() {
    if (thread_.joinable())
      thread_.join();
  }
  const std::string& Port() const { return port_; }
  const std::string& Error() const { return error_; }

 private:
  TTCPBlockingSocket listener_;
  std::string port_;
  std::string error_;
  std::thread thread_;
};

TEST_F(HTTPSPeer, StreamCutShortIsNeverASuccess) {
  const std::string half(50000, 'x');
  struct TCase {
    const char* name;
    std::string reply;
    TTlsServer::TEnd end;
    bool success;
  };
  const std::vector<TCase> cases = {
      {"sized body cut", "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + half,
       TTlsServer::TEnd::Cut, false},
      {"sized body ended orderly but short",
       "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + half, TTlsServer::TEnd::Orderly,
       false},
      {"body to the close, cut", "HTTP/1.0 200 OK\r\n\r\n" + half, TTlsServer::TEnd::Cut, false},
      {"body to the close, orderly", "HTTP/1.0 200 OK\r\n\r\n" + half, TTlsServer::TEnd::Orderly,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TTlsServer server(
        [&](TTCPBlockingSocket& peer) {
          peer.RecvTerminated(5000, "\r\n\r\n");
          peer.SendString(c.reply);
        },
        c.end);
    THTTPClient client;
    client.SetTimeout(5000);
    EXPECT_EQ(client.HTTPMethod("GET", "https://127.0.0.1:" + server.Port() + "/x"), c.success)
        << client.Sock().LastErrorDesc() << server.Error();
    EXPECT_EQ(client.ResultCode(), 200);
    EXPECT_LE(client.Document().Size(), static_cast<int64_t>(half.size()));
    if (!c.success && c.end == TTlsServer::TEnd::Cut) {
      EXPECT_EQ(client.Sock().LastError(), SocketError::kSystemNotReady);
      EXPECT_EQ(client.Sock().LastErrorDesc(),
                "TLS stream cut short: the peer closed without close_notify");
    }
  }
}

TEST_F(HTTPSPeer, LinesAlreadyDecryptedNeverWaitOnTheSocket) {
  // Two records in quick succession, then silence: both lines are here, and reading them must
  // not wait for more bytes from the socket (which would time out).
  TTlsServer server(
      [](TTCPBlockingSocket& peer) {
        peer.SendString("first\r\n");
        peer.SendString("second\r\n");
        peer.RecvPacket(3000);  // holds the connection open without sending
      },
      TTlsServer::TEnd::Orderly);
  TTCPBlockingSocket sock;
  sock.Connect("127.0.0.1", server.Port());
  sock.SSL().SetCertCAFile(Certs().CaFile());
  sock.SSLDoConnect();
  ASSERT_EQ(sock.LastError(), 0) << sock.LastErrorDesc() << server.Error();
  EXPECT_TRUE(sock.SSL().SSLEnabled());
  EXPECT_TRUE(sock.CanRead(2000));
  EXPECT_EQ(sock.RecvString(1000), "first");
  EXPECT_EQ(sock.RecvString(1000), "second");
  EXPECT_EQ(sock.LastError(), 0);
  // Nothing more is here: the wait runs out instead of reporting the idle stream as data.
  EXPECT_FALSE(sock.CanRead(200));
  sock.SendString("bye");
  sock.CloseSocket();
}

TEST_F(HTTPSPeer, PluginStartsOnAnyConnectedSocketBothWays) {
  // A control connection upgraded in the middle of a conversation: plain bytes first, then
  // TLS on the same socket, as a protocol that starts TLS on request does.
  std::string serverSaw;
  std::thread serverThread;
  TTCPBlockingSocket listener;
  listener.Bind("127.0.0.1", "0");
  listener.Listen();
  const std::string port = std::to_string(listener.GetLocalSinPort());
  serverThread = std::thread([&] {
    if (!listener.CanRead(5000))
      return;
    TTCPBlockingSocket peer(&net::TSSLOpenSSL::Create);
    peer.SetSocket(listener.Accept());
    peer.SetConvertLineEnd(true);
    serverSaw = peer.RecvString(5000);
    peer.SendString("go ahead\r\n");
    peer.SSL().CertificateFile = SharedTestCerts().Cert("good");
    peer.SSL().PrivateKeyFile = SharedTestCerts().Key("good");
    if (!peer.SSLAcceptConnection())
      return;
    serverSaw += "|" + peer.RecvString(5000);
    peer.SendString("secret reply\r\n");
    peer.SSLDoShutdown();
    peer.CloseSocket();
  });
  TTCPBlockingSocket sock;
  sock.SetConvertLineEnd(true);
  sock.Connect("127.0.0.1", port);
  sock.SendString("START TLS\r\n");
  EXPECT_EQ(sock.RecvString(5000), "go ahead");
  sock.SSL().SNIHost = "localhost";
  sock.SSLDoConnect();
  ASSERT_EQ(sock.LastError(), 0) << sock.LastErrorDesc();
  sock.SendString("secret\r\n");
  EXPECT_EQ(sock.RecvString(5000), "secret reply");
  // The server's orderly two-way close ends the stream as a close, not as a failure.
  sock.RecvPacket(5000);
  EXPECT_EQ(sock.LastError(), SocketError::kConnectionReset);
  sock.CloseSocket();
  serverThread.join();
  EXPECT_EQ(serverSaw, "START TLS|secret");
}

TEST_F(HTTPSPeer, BrokenPeersFailTheHandshakeCleanly) {
  using varelo::test::TScript;
  using varelo::test::TScriptedServer;
  struct TCase {
    const char* name;
    TScript script;
    std::string text;
  };
  const std::vector<TCase> cases = {
      {"answers in plain HTTP", TScript().WaitBytes(5).Send("HTTP/1.0 400 Bad Request\r\n\r\n"),
       "TLS handshake failed: "},
      {"closes at once", TScript().Close(), "TLS handshake failed: "},
      {"closes after the hello", TScript().WaitBytes(5).Close(), "TLS handshake failed: "},
      {"sends noise", TScript().WaitBytes(5).Send(Pattern(3000)), "TLS handshake failed: "},
      {"a record header promising more than comes",
       TScript().WaitBytes(5).Send(std::string("\x16\x03\x03\x40\x00", 5) + "abc").HoldOpen(3000),
       "TLS handshake failed: timed out"},
      {"stays silent", TScript().HoldOpen(3000), "TLS handshake failed: timed out"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptedServer server(c.script);
    TTCPBlockingSocket sock;
    sock.SetConnectionTimeout(500);
    sock.Connect("127.0.0.1", std::to_string(server.Port()));
    ASSERT_EQ(sock.LastError(), 0);
    sock.SSLDoConnect();
    EXPECT_EQ(sock.LastError(), SocketError::kSystemNotReady);
    EXPECT_EQ(sock.LastErrorDesc().substr(0, c.text.size()), c.text) << sock.LastErrorDesc();
    EXPECT_FALSE(sock.SSL().SSLEnabled());
    sock.CloseSocket();
  }
}

TEST_F(HTTPSPeer, ProtocolsBelowTls12CannotBeAskedFor) {
  const std::vector<net::TSSLType> refused = {net::LT_SSLv2, net::LT_SSLv3, net::LT_TLSv1,
                                              net::LT_TLSv1_1, net::LT_SSHv2};
  varelo::test::TScriptedServer server(varelo::test::TScript().HoldOpen(1000));
  for (net::TSSLType type : refused) {
    SCOPED_TRACE(type);
    TTCPBlockingSocket sock;
    sock.Connect("127.0.0.1", std::to_string(server.Port()));
    sock.SSL().SSLType = type;
    sock.SSLDoConnect();
    EXPECT_EQ(sock.LastError(), SocketError::kSystemNotReady);
    EXPECT_NE(sock.LastErrorDesc().find(type == net::LT_SSHv2 ? "SSH" : "TLS 1.2 or later"),
              std::string::npos);
    sock.CloseSocket();
  }
}

TEST_F(HTTPSPeer, SettingsThatCannotBeReadFailBeforeTheHandshake) {
  struct TCase {
    const char* name;
    std::function<void(net::TCustomSSL&)> set;
    std::string text;
  };
  const std::string cert = Certs().Cert("good");
  const std::string encrypted = Certs().Key("good-encrypted");
  const std::vector<TCase> cases = {
      {"a cipher list naming nothing", [](net::TCustomSSL& s) { s.Ciphers = "NO-SUCH-CIPHER"; },
       "cipher list \"NO-SUCH-CIPHER\" refused"},
      {"a CA file that is not there",
       [](net::TCustomSSL& s) { s.SetCertCAFile("/nonexistent/ca.pem"); },
       "cannot read the CA file \"/nonexistent/ca.pem\""},
      {"a certificate file that is not there",
       [](net::TCustomSSL& s) { s.CertificateFile = "/nonexistent/c.pem"; },
       "cannot read the certificate file \"/nonexistent/c.pem\""},
      {"an encrypted key without its password",
       [&](net::TCustomSSL& s) {
         s.CertificateFile = cert;
         s.PrivateKeyFile = encrypted;
       },
       "cannot read the private key file \"" + encrypted + "\""},
      {"an encrypted key with a wrong password",
       [&](net::TCustomSSL& s) {
         s.CertificateFile = cert;
         s.PrivateKeyFile = encrypted;
         s.KeyPassword = "wrong";
       },
       "cannot read the private key file \"" + encrypted + "\""},
      // With the right password the key is read and the handshake begins (the peer is silent).
      {"an encrypted key with its password",
       [&](net::TCustomSSL& s) {
         s.CertificateFile = cert;
         s.PrivateKeyFile = encrypted;
         s.KeyPassword = TTestCerts::kKeyPassword;
       },
       "TLS handshake failed: timed out"},
      {"a key that is not the certificate's",
       [&](net::TCustomSSL& s) {
         s.CertificateFile = cert;
         s.PrivateKeyFile = Certs().Key("expired");
       },
       "the private key does not match the certificate"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    varelo::test::TScriptedServer server(varelo::test::TScript().HoldOpen(1000));
    TTCPBlockingSocket sock;
    sock.SetConnectionTimeout(300);
    sock.Connect("127.0.0.1", std::to_string(server.Port()));
    c.set(sock.SSL());
    sock.SSLDoConnect();
    EXPECT_EQ(sock.LastError(), SocketError::kSystemNotReady);
    EXPECT_EQ(sock.LastErrorDesc().substr(0, c.text.size()), c.text) << sock.LastErrorDesc();
    sock.CloseSocket();
  }
}

#else  // a build without OpenSSL

TEST_F(HTTPSPeer, WithoutOpenSSLHttpsFailsAtTheSSLStep) {
  auto nginx = Serve("good");
  if (!nginx->Started())
    VARELO_PEER_MISSING("nginx did not start: " << nginx->Log());
  THTTPClient client;
  EXPECT_EQ(client.Sock().SSL().LibName(), "ssl_none");
  EXPECT_FALSE(client.HTTPMethod("GET", Url(*nginx, "127.0.0.1", "/big.bin")));
  EXPECT_EQ(client.ResultCode(), 500);
  EXPECT_EQ(client.Sock().LastError(), SocketError::kSystemNotReady);
  EXPECT_EQ(client.Sock().LastErrorDesc(), "SSL/TLS support is not compiled!");
  EXPECT_EQ(client.Document().Size(), 0);
}

#endif

}  // namespace
