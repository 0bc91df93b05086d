// FTP over TLS against real servers on 127.0.0.1, with certificates made by the test and the
// trust store pointed at the test CA: pyftpdlib's TLS handler (AUTH TLS, PROT P required) and
// vsftpd (TLS required, every data connection continuing the control connection's session;
// explicit and implicit TLS). Certificates the client must refuse end the login before the
// password is sent.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "net/FTPClient.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Peers.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCerts.h"

#ifdef VARELO_HAVE_OPENSSL
#include "net/SSLOpenSSL.h"

namespace {

using net::TFTPClient;
using varelo::test::ReadFileBytes;
using varelo::test::SharedTestCerts;
using varelo::test::TPyFtpd;
using varelo::test::TPyFtpdOptions;
using varelo::test::TTrustStore;
using varelo::test::TVsftpd;
using varelo::test::TVsftpdOptions;
using varelo::test::WriteFileBytes;

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 13 + i / 509) & 0xff);
  return bytes;
}

void AimAt(TFTPClient& client, int port, const std::string& user, const std::string& password) {
  client.SetTargetHost("127.0.0.1");
  client.SetTargetPort(std::to_string(port));
  client.SetUserName(user);
  client.SetPassword(password);
  client.SetTimeout(10000);
}

// Whether the last data connection continued the control connection's TLS session.
bool DataSessionReused(TFTPClient& client) {
  const auto* plugin = dynamic_cast<const net::TSSLOpenSSL*>(&client.DSock().SSL());
  return plugin != nullptr && plugin->SessionReused();
}

#define REQUIRE_CERTS()                                                   \
  if (!SharedTestCerts().Made()) {                                        \
    VARELO_PEER_MISSING("test certificates: " + SharedTestCerts().Log()); \
    return;                                                               \
  }
#define REQUIRE_PEER(server)                                          \
  if (!(server).Started()) {                                          \
    VARELO_PEER_MISSING(#server " did not start: " + (server).Log()); \
    return;                                                           \
  }

TPyFtpdOptions TlsPyFtpd(const std::string& certName) {
  TPyFtpdOptions options;
  options.tlsCertFile = SharedTestCerts().Cert(certName);
  options.tlsKeyFile = SharedTestCerts().Key(certName);
  return options;
}

TVsftpdOptions TlsVsftpd(bool implicitTls) {
  TVsftpdOptions options;
  options.tlsCertFile = SharedTestCerts().Cert("good");
  options.tlsKeyFile = SharedTestCerts().Key("good");
  options.implicitTls = implicitTls;
  return options;
}

// Records the commands the client sends.
void RecordCommands(TFTPClient& client, std::string& sent) {
  client.SetOnStatus([&sent](TFTPClient*, bool response, const std::string& value) {
    if (!response)
      sent += value + "\n";
  });
}

TEST(FTPTLSPeer, AutoTlsProtectedDownloadListingAndUpload) {
  REQUIRE_CERTS();
  TTrustStore trust(SharedTestCerts().CaFile());
  TPyFtpd server(TlsPyFtpd("good"));
  REQUIRE_PEER(server);
  const std::string content = Pattern(700001);
  WriteFileBytes(server.Root() + "/pkg.bin", content);
  std::filesystem::create_directories(server.Root() + "/dir");

  TFTPClient client;
  AimAt(client, server.Port(), "user", "secret");
  client.SetAutoTLS(true);
  client.SetPassiveMode(false);  // a protected data channel goes passive by itself
  std::string sent;
  RecordCommands(client, sent);
  ASSERT_TRUE(client.Login()) << client.Sock().GetErrorDescEx() << "\n" << server.Log();
  EXPECT_TRUE(client.IsTLS());
  EXPECT_TRUE(client.IsDataTLS());
  EXPECT_EQ(sent.rfind("AUTH TLS\nUSER user\nPASS secret\nPBSZ 0\nPROT P\nTYPE I\n", 0), 0u)
      << sent;
  EXPECT_NE(client.Sock().SSL().GetSSLVersion(), "");
  EXPECT_EQ(client.Sock().SSL().GetVerifyCert(), 0);

  // Twice: the second transfer opens a new protected data connection.
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(client.RetrieveFile("pkg.bin", false))
        << round << " " << client.ResultString() << " " << client.DSock().GetErrorDescEx();
    EXPECT_TRUE(client.OwnDataStream().Data() == content) << round;
    EXPECT_TRUE(client.PassiveMode());
    EXPECT_TRUE(DataSessionReused(client)) << round;
    EXPECT_NE(client.DSock().SSL().GetSSLVersion(), "");
  }

  // A direct file, byte for byte, and a resumed one.
  varelo::test::TTempPrefix prefix;
  std::filesystem::create_directories(prefix.Drive('c') + "/d");
  client.SetDirectFile(true);
  client.SetDirectFileName(varelo::test::InPrefix("C:\\d\\pkg.bin"));
  ASSERT_TRUE(client.RetrieveFile("pkg.bin", false)) << client.ResultString();
  EXPECT_TRUE(ReadFileBytes(prefix.Drive('c') + "/d/pkg.bin") == content);
  WriteFileBytes(prefix.Drive('c') + "/d/pkg.bin", content.substr(0, 65537));
  ASSERT_TRUE(client.RetrieveFile("pkg.bin", true)) << client.ResultString();
  EXPECT_TRUE(ReadFileBytes(prefix.Drive('c') + "/d/pkg.bin") == content);
  client.SetDirectFile(false);

  for (bool mlsd : {false, true}) {
    client.SetUseMLSDList(mlsd);
    ASSERT_TRUE(client.List("", false)) << mlsd << " " << client.ResultString();
    bool sawFile = false, sawDir = false;
    for (int i = 0; i < client.FtpList().Count(); ++i) {
      const net::TFTPListRec* rec = client.FtpList().Items(i);
      if (rec->FileName() == "pkg.bin") {
        sawFile = true;
        EXPECT_EQ(rec->FileSize(), static_cast<int64_t>(content.size()));
      }
      sawDir |= rec->FileName() == "dir" && rec->Directory();
    }
    EXPECT_TRUE(sawFile && sawDir) << client.OwnDataStream().Data();
  }

  const std::string upload = Pattern(200003).substr(7);
  client.OwnDataStream().SetData(upload);
  ASSERT_TRUE(client.StoreFile("up.bin", false)) << client.ResultString();
  EXPECT_TRUE(ReadFileBytes(server.Root() + "/up.bin") == upload);
  EXPECT_TRUE(client.Logout());
}

// A clear data channel is refused by a server that requires protection; asking for none must
// not pass the file in clear text.
TEST(FTPTLSPeer, ClearDataChannelRefusedByTheServer) {
  REQUIRE_CERTS();
  TTrustStore trust(SharedTestCerts().CaFile());
  TPyFtpd server(TlsPyFtpd("good"));
  REQUIRE_PEER(server);
  WriteFileBytes(server.Root() + "/pkg.bin", "secret bytes");
  TFTPClient client;
  AimAt(client, server.Port(), "user", "secret");
  client.SetAutoTLS(true);
  client.SetTLSonData(false);
  std::string sent;
  RecordCommands(client, sent);
  ASSERT_TRUE(client.Login()) << client.Sock().GetErrorDescEx();
  EXPECT_TRUE(client.IsTLS());
  EXPECT_FALSE(client.IsDataTLS());
  EXPECT_NE(sent.find("PBSZ 0\nPROT C\n"), std::string::npos) << sent;
  EXPECT_FALSE(client.RetrieveFile("pkg.bin", false));
  EXPECT_EQ(client.ResultCode() / 100, 5);
  EXPECT_EQ(client.OwnDataStream().Data(), "");
}

struct TRefusedCase {
  const char* cert;
  const char* reason;  // what the verify text names
};

// A certificate the client must not trust fails the login with the verify text; the user name
// and password never reach the server and nothing is transferred.
TEST(FTPTLSPeer, UntrustedServerCertificateFailsTheLogin) {
  REQUIRE_CERTS();
  TTrustStore trust(SharedTestCerts().CaFile());
  const std::vector<TRefusedCase> cases{
      {"othername", "certificate verify failed: IP address mismatch, host 127.0.0.1"},
      {"expired", "certificate verify failed: certificate has expired, host 127.0.0.1"},
      {"selfsigned", "certificate verify failed: self-signed certificate, host 127.0.0.1"},
  };
  for (const auto& c : cases) {
    TPyFtpd server(TlsPyFtpd(c.cert));
    REQUIRE_PEER(server);
    WriteFileBytes(server.Root() + "/pkg.bin", "payload");
    TFTPClient client;
    AimAt(client, server.Port(), "user", "secret");
    client.SetAutoTLS(true);
    std::string sent;
    RecordCommands(client, sent);
    EXPECT_FALSE(client.Login()) << c.cert;
    EXPECT_FALSE(client.IsTLS()) << c.cert;
    EXPECT_EQ(client.Sock().LastError(), net::SocketError::kSystemNotReady) << c.cert;
    EXPECT_EQ(client.Sock().GetErrorDescEx(), c.reason) << c.cert;
    EXPECT_EQ(sent, "AUTH TLS\n") << c.cert;
    EXPECT_FALSE(client.RetrieveFile("pkg.bin", false)) << c.cert;
    EXPECT_EQ(client.OwnDataStream().Data(), "") << c.cert;
    EXPECT_EQ(server.Log().find("logged in"), std::string::npos) << c.cert << server.Log();
  }
}

struct TVsftpdCase {
  const char* name;
  bool implicitTls;
  net::TSSLType sslType;
  const char* version;  // the protocol both connections must have used
};

// vsftpd accepts a data connection only when it continues the control connection's TLS
// session; explicit (AUTH TLS) and implicit (FullSSL) TLS.
TEST(FTPTLSPeer, VsftpdRequiresTheSessionReusedOnData) {
  REQUIRE_CERTS();
  TTrustStore trust(SharedTestCerts().CaFile());
  // Under TLS 1.3 the session arrives after the handshake, in a ticket; under TLS 1.2 it is
  // the handshake's own.
  const std::vector<TVsftpdCase> cases{
      {"AUTH TLS 1.3", false, net::LT_all, "TLSv1.3"},
      {"AUTH TLS 1.2", false, net::LT_TLSv1_2, "TLSv1.2"},
      {"implicit TLS 1.3", true, net::LT_all, "TLSv1.3"},
      {"implicit TLS 1.2", true, net::LT_TLSv1_2, "TLSv1.2"},
  };
  const std::string content = Pattern(500000);
  for (const auto& c : cases) {
    TVsftpd server(TlsVsftpd(c.implicitTls));
    REQUIRE_PEER(server);
    WriteFileBytes(server.Root() + "/pkg.zip", content);
    std::filesystem::create_directories(server.Root() + "/pub");
    TFTPClient client;
    AimAt(client, server.Port(), "anonymous", "x@");
    client.Sock().SSL().SSLType = c.sslType;
    if (c.implicitTls)
      client.SetFullSSL(true);
    else
      client.SetAutoTLS(true);
    std::string sent;
    RecordCommands(client, sent);
    ASSERT_TRUE(client.Login()) << c.name << " " << client.Sock().GetErrorDescEx() << "\n"
                                << server.Log();
    EXPECT_TRUE(client.IsTLS() && client.IsDataTLS()) << c.name;
    EXPECT_EQ(sent.find("AUTH TLS") != std::string::npos, !c.implicitTls) << c.name << sent;
    for (int round = 0; round < 2; ++round) {
      ASSERT_TRUE(client.RetrieveFile("pkg.zip", false))
          << c.name << " " << round << " " << client.ResultString() << " "
          << client.DSock().GetErrorDescEx() << "\n"
          << server.Log();
      EXPECT_TRUE(client.OwnDataStream().Data() == content) << c.name;
      EXPECT_TRUE(DataSessionReused(client)) << c.name;
      EXPECT_EQ(client.DSock().SSL().GetSSLVersion(), c.version) << c.name;
    }
    EXPECT_EQ(client.Sock().SSL().GetSSLVersion(), c.version) << c.name;
    ASSERT_TRUE(client.List("", false)) << c.name << " " << client.ResultString();
    EXPECT_EQ(client.FtpList().Count(), 2) << c.name << client.OwnDataStream().Data();
    EXPECT_TRUE(DataSessionReused(client)) << c.name;
    EXPECT_TRUE(client.Logout()) << c.name;
  }
}

}  // namespace
#endif
