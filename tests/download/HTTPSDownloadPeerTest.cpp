#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/SocketError.h"
#include "tests/download/DownloadRecorder.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Peers.h"
#include "tests/support/TestCerts.h"

namespace download::test {
namespace {

namespace SocketError = platform::SocketError;

using varelo::test::PathExists;
using varelo::test::ReadFileBytes;
using varelo::test::SharedTestCerts;
using varelo::test::TNginx;
using varelo::test::TNginxTls;
using varelo::test::TTempPrefix;
using varelo::test::TTrustStore;
using varelo::test::WriteFileBytes;

std::string PackageBytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 131 + i / 4099) & 0xff);
  return bytes;
}

// Package fetches over https: a plain nginx beside an https one whose redirects lead either
// to itself or down to the plain one.
class HTTPSDownloadPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SharedTestCerts().Made())
      VARELO_PEER_MISSING("test certificates: " << SharedTestCerts().Log());
    if (!plain.Started())
      VARELO_PEER_MISSING("nginx: " << plain.Log());
    package = PackageBytes(2 * 1024 * 1024 + 33);
    WriteFileBytes(plain.Root() + "/pkg.zip", package);
    secure = Serve("good");
    if (!secure->Started())
      VARELO_PEER_MISSING("nginx with TLS: " << secure->Log());
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
  }

  std::unique_ptr<TNginx> Serve(const std::string& cert) {
    TNginxTls tls;
    tls.certificateFile = SharedTestCerts().Cert(cert);
    tls.keyFile = SharedTestCerts().Key(cert);
    const std::string lines = "    location = /tohttp { return 302 " + plain.Url("/pkg.zip") +
                              "; }\n" + "    location = /tohttps { return 302 /pkg.zip; }\n";
    auto nginx = std::make_unique<TNginx>(lines, &tls);
    if (nginx->Started())
      WriteFileBytes(nginx->Root() + "/pkg.zip", package);
    return nginx;
  }
  std::string Dir() const { return prefix.Drive('c') + "/d/"; }

  TTempPrefix prefix;
  TTrustStore trust{SharedTestCerts().CaFile()};
  TNginx plain;
  std::unique_ptr<TNginx> secure;
  TDownloadRecorder recorder;
  std::string package;
};

#ifdef VARELO_HAVE_OPENSSL

TEST_F(HTTPSDownloadPeer, PackageArrivesWholeOverHttps) {
  recorder.Fetch(secure->Url("/pkg.zip"));
  EXPECT_EQ(recorder.lastResult, 200);
  EXPECT_TRUE(ReadFileBytes(Dir() + "pkg.zip") == package);
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip.part"));
}

TEST_F(HTTPSDownloadPeer, PartialFileIsResumedOverHttps) {
  WriteFileBytes(Dir() + "pkg.zip.part", package.substr(0, 70000));
  recorder.Fetch(secure->Url("/pkg.zip"));
  EXPECT_EQ(recorder.lastResult, 206);
  EXPECT_TRUE(ReadFileBytes(Dir() + "pkg.zip") == package);
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip.part"));
}

TEST_F(HTTPSDownloadPeer, RedirectsNeverLeaveHttps) {
  struct TCase {
    const char* path;
    bool followed;
  };
  for (const TCase c : {TCase{"/tohttp", false}, TCase{"/tohttps", true}}) {
    SCOPED_TRACE(c.path);
    TTempPrefix fresh;
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
    TDownloadRecorder r;
    r.Fetch(secure->Url(c.path));
    const std::string dir = fresh.Drive('c') + "/d/";
    const std::string name = std::string(c.path).substr(1);
    EXPECT_EQ(r.Count("after"), 1);
    if (c.followed) {
      EXPECT_TRUE(ReadFileBytes(dir + name) == package);
    } else {
      // As with a redirect that has no usable location: unfinished, and nothing written.
      EXPECT_EQ(r.lastResult, 302);
      EXPECT_FALSE(PathExists(dir + name));
      EXPECT_EQ(ReadFileBytes(dir + name + ".part"), "");
      EXPECT_EQ(r.Count("before"), 1);
    }
  }
}

TEST_F(HTTPSDownloadPeer, UntrustedServerWritesNoBody) {
  for (const char* cert : {"expired", "selfsigned", "othername"}) {
    SCOPED_TRACE(cert);
    auto untrusted = Serve(cert);
    if (!untrusted->Started())
      VARELO_PEER_MISSING("nginx with TLS: " << untrusted->Log());
    TTempPrefix fresh;
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
    TDownloadRecorder r;
    r.Fetch(untrusted->Url("/pkg.zip"));
    const std::string dir = fresh.Drive('c') + "/d/";
    EXPECT_FALSE(PathExists(dir + "pkg.zip"));
    EXPECT_EQ(ReadFileBytes(dir + "pkg.zip.part"), "");
    auto& session = static_cast<TVsHTTPDownload&>(r.component.Session());
    EXPECT_EQ(session.HTTPClient().Sock().LastError(), SocketError::kSystemNotReady);
    EXPECT_EQ(session.HTTPClient().Sock().LastErrorDesc().rfind("certificate verify failed: ", 0),
              0u);
  }
}

#else  // a build without OpenSSL

TEST_F(HTTPSDownloadPeer, WithoutOpenSSLAnHttpsPackageIsNotFetched) {
  recorder.Fetch(secure->Url("/pkg.zip"));
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip"));
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip.part"), "");
}

#endif

}  // namespace
}  // namespace download::test
