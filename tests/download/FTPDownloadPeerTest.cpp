// Whole FTP downloads through the download component against pyftpdlib and vsftpd on the
// loopback addresses: a new file, a resumed one byte-identical to the source, IPv6, and a
// refused login.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "download/DownloadErrors.h"
#include "download/VsDownload.h"
#include "download/VsFTPDownload.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Peers.h"
#include "tests/support/TempDir.h"

namespace {

using varelo::test::ReadFileBytes;
using varelo::test::WriteFileBytes;

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 13 + i / 509) & 0xff);
  return bytes;
}

struct TFetch {
  TFetch(const std::string& host, int port, const std::string& user, const std::string& pass) {
    component.SetProtocolo(download::protFTP);
    component.SetSizeRecvBuffer(65536);
    component.FTP().FtpHost = host;
    component.FTP().FtpPort = std::to_string(port);
    component.FTP().FtpUser = user;
    component.FTP().FtpPass = pass;
    component.FTP().FtpTimeout = 10000;
    component.SetOnHookStatus(
        [this](net::TBlockingSocket*, net::THookSocketReason r, int32_t t, int32_t d) {
          if (r == net::HR_ReadCount) {
            startTotal = t;
            startCount = d;
          }
          if (r == net::HR_SocketClose)
            ++closes;
        });
  }
  void Run(const std::string& path) {
    component.SetDownloadUrl("ftp://ignored.example" + path);
    component.SetDownloadDest(varelo::test::InPrefix("C:\\d\\"));
    component.StartDownload();
  }
  download::TVsDownload component;
  int32_t startTotal = -1;
  int32_t startCount = -1;
  int closes = 0;
};

#define REQUIRE_PEER(server)                                          \
  if (!(server).Started()) {                                          \
    VARELO_PEER_MISSING(#server " did not start: " + (server).Log()); \
    return;                                                           \
  }

class FTPDownloadPeer : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(Folder()); }
  std::string Folder() const { return prefix_.Drive('c') + "/d"; }
  varelo::test::TTempPrefix prefix_;
};

TEST_F(FTPDownloadPeer, PyftpdlibNewAndResumedOnBothFamilies) {
  const std::string content = Pattern(3 * 1024 * 1024 + 17);
  for (const std::string host : {"127.0.0.1", "::1"}) {
    varelo::test::TPyFtpdOptions options;
    options.host = host;
    varelo::test::TPyFtpd server(options);
    REQUIRE_PEER(server);
    std::filesystem::create_directories(server.Root() + "/pub");
    WriteFileBytes(server.Root() + "/pub/pkg.zip", content);
    {
      TFetch fetch(host, server.Port(), "user", "secret");
      fetch.Run("/pub/pkg.zip");
      EXPECT_TRUE(ReadFileBytes(Folder() + "/pkg.zip") == content) << host;
      EXPECT_FALSE(std::filesystem::exists(Folder() + "/pkg.zip.part")) << host;
      EXPECT_EQ(fetch.startTotal, static_cast<int32_t>(content.size())) << host;
    }
    // An interrupted transfer left the first part: only the rest comes, and the result is
    // the server's file byte for byte.
    std::filesystem::remove(Folder() + "/pkg.zip");
    const size_t kept = 1234567;
    WriteFileBytes(Folder() + "/pkg.zip.part", content.substr(0, kept));
    {
      TFetch fetch(host, server.Port(), "anonymous", "x@");
      fetch.Run("/pub/pkg.zip");
      EXPECT_TRUE(ReadFileBytes(Folder() + "/pkg.zip") == content) << host;
      EXPECT_EQ(fetch.startTotal, static_cast<int32_t>(content.size())) << host;
      EXPECT_EQ(fetch.startCount, static_cast<int32_t>(kept)) << host;
    }
    std::filesystem::remove(Folder() + "/pkg.zip");
  }
}

TEST_F(FTPDownloadPeer, PyftpdlibRefusedLogin) {
  varelo::test::TPyFtpd server;
  REQUIRE_PEER(server);
  TFetch fetch("127.0.0.1", server.Port(), "user", "wrong");
  try {
    fetch.Run("/pkg.zip");
    FAIL() << "no failure";
  } catch (const download::EVsDownload& e) {
    EXPECT_STREQ(e.what(), download::kMsgFtpLogin);
  }
  EXPECT_TRUE(std::filesystem::is_empty(Folder()));
}

TEST_F(FTPDownloadPeer, VsftpdNewAndResumed) {
  varelo::test::TVsftpd server;
  REQUIRE_PEER(server);
  const std::string content = Pattern(2 * 1024 * 1024 + 5);
  WriteFileBytes(server.Root() + "/pkg.zip", content);
  {
    TFetch fetch("127.0.0.1", server.Port(), "anonymous", "x@");
    std::string talk;
    fetch.component.SetOnBeforeDownload([&](download::TVsDownloadClass* s) {
      static_cast<download::TVsFTPDownload*>(s)->FTPClient().SetOnStatus(
          [&](net::TFTPClient*, bool r, const std::string& v) {
            talk += (r ? "< " : "> ") + v + "\n";
          });
    });
    // vsftpd run as the launching user does not change its root: the path is the real one.
    fetch.Run(server.Root() + "/pkg.zip");
    EXPECT_TRUE(ReadFileBytes(Folder() + "/pkg.zip") == content) << server.Log() << talk;
  }
  std::filesystem::remove(Folder() + "/pkg.zip");
  WriteFileBytes(Folder() + "/pkg.zip.part", content.substr(0, 999999));
  {
    TFetch fetch("127.0.0.1", server.Port(), "anonymous", "x@");
    fetch.Run(server.Root() + "/pkg.zip");
    EXPECT_TRUE(ReadFileBytes(Folder() + "/pkg.zip") == content);
    EXPECT_EQ(fetch.startCount, 999999);
  }
}

}  // namespace
