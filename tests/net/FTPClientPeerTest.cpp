// The FTP client against real servers on the loopback addresses: pyftpdlib on 127.0.0.1 and
// ::1 (passive, active, extended passive over IPv6, restart, sizes, MLSD and LIST, uploads),
// and vsftpd (its LIST format, its transfers).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "net/FTPClient.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Peers.h"
#include "tests/support/TempDir.h"

namespace {

using net::TFTPClient;
using varelo::test::ReadFileBytes;
using varelo::test::TPyFtpd;
using varelo::test::TPyFtpdOptions;
using varelo::test::TVsftpd;
using varelo::test::WriteFileBytes;

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
  return bytes;
}

void AimAt(TFTPClient& client, const std::string& host, int port, const std::string& user = "user",
           const std::string& password = "secret") {
  client.SetTargetHost(host);
  client.SetTargetPort(std::to_string(port));
  client.SetUserName(user);
  client.SetPassword(password);
  client.SetTimeout(10000);
}

#define REQUIRE_PEER(server)                                          \
  if (!(server).Started()) {                                          \
    VARELO_PEER_MISSING(#server " did not start: " + (server).Log()); \
    return;                                                           \
  }

struct TModeCase {
  const char* name;
  std::string host;
  bool passive;
  const char* dataCommand;  // what the client must have used to set up the data connection
};

// Retrieval over each kind of data connection, both address families.
TEST(FTPClientPeer, RetrievesOverEveryKindOfDataConnection) {
  const std::vector<TModeCase> cases{
      {"IPv4 passive", "127.0.0.1", true, "PASV"},
      {"IPv4 active", "127.0.0.1", false, "PORT "},
      {"IPv6 passive", "::1", true, "EPSV 2"},
      {"IPv6 active", "::1", false, "EPRT |2|::1|"},
  };
  const std::string content = Pattern(300000);
  for (const auto& c : cases) {
    TPyFtpdOptions options;
    options.host = c.host;
    TPyFtpd server(options);
    REQUIRE_PEER(server);
    WriteFileBytes(server.Root() + "/f.bin", content);
    TFTPClient client;
    AimAt(client, c.host, server.Port());
    client.SetPassiveMode(c.passive);
    std::string sent;
    client.SetOnStatus([&](TFTPClient*, bool response, const std::string& value) {
      if (!response)
        sent += value + "\n";
    });
    ASSERT_TRUE(client.Login()) << c.name << "\n" << server.Log();
    EXPECT_TRUE(client.CanResume()) << c.name;
    EXPECT_EQ(client.FileSize("f.bin"), static_cast<int64_t>(content.size())) << c.name;
    EXPECT_TRUE(client.RetrieveFile("f.bin", false)) << c.name << " " << client.ResultString();
    EXPECT_TRUE(client.DataComplete()) << c.name;
    EXPECT_EQ(client.ResultCode(), 226) << c.name;
    EXPECT_TRUE(client.OwnDataStream().Data() == content) << c.name;
    EXPECT_NE(sent.find(c.dataCommand), std::string::npos) << c.name << "\n" << sent;
    EXPECT_TRUE(client.Logout()) << c.name;
  }
}

TEST(FTPClientPeer, RefusedLoginAndMissingFile) {
  TPyFtpd server;
  REQUIRE_PEER(server);
  {
    TFTPClient client;
    AimAt(client, "127.0.0.1", server.Port(), "user", "wrong");
    EXPECT_FALSE(client.Login());
    EXPECT_EQ(client.ResultCode(), 530);
  }
  TFTPClient client;
  AimAt(client, "127.0.0.1", server.Port());
  ASSERT_TRUE(client.Login());
  EXPECT_EQ(client.FileSize("none.bin"), -1);
  EXPECT_FALSE(client.RetrieveFile("none.bin", false));
  EXPECT_EQ(client.ResultCode() / 100, 5);
  client.Logout();
}

TEST(FTPClientPeer, PassiveAddressElsewhereStillReachesTheServer) {
  TPyFtpdOptions options;
  options.masqueradeAddress = "127.0.0.2";
  TPyFtpd server(options);
  REQUIRE_PEER(server);
  WriteFileBytes(server.Root() + "/f.txt", "masqueraded");
  TFTPClient client;
  AimAt(client, "127.0.0.1", server.Port());
  ASSERT_TRUE(client.Login());
  EXPECT_TRUE(client.RetrieveFile("f.txt", false)) << server.Log();
  EXPECT_EQ(client.DataIP(), "127.0.0.1");
  EXPECT_EQ(client.OwnDataStream().Data(), "masqueraded");
}

TEST(FTPClientPeer, DirectFileResumesFromItsSize) {
  TPyFtpd server;
  REQUIRE_PEER(server);
  const std::string content = Pattern(1 << 20);
  WriteFileBytes(server.Root() + "/big.bin", content);
  varelo::test::TTempPrefix prefix;
  std::filesystem::create_directories(prefix.Drive('c') + "/d");
  WriteFileBytes(prefix.Drive('c') + "/d/big.bin", content.substr(0, 123457));
  TFTPClient client;
  AimAt(client, "127.0.0.1", server.Port());
  ASSERT_TRUE(client.Login());
  client.SetDirectFile(true);
  client.SetDirectFileName(varelo::test::InPrefix("C:\\d\\big.bin"));
  std::string sent;
  client.SetOnStatus([&](TFTPClient*, bool response, const std::string& value) {
    if (!response)
      sent += value + "\n";
  });
  EXPECT_TRUE(client.RetrieveFile("big.bin", true));
  EXPECT_NE(sent.find("REST 123457\n"), std::string::npos) << sent;
  EXPECT_TRUE(ReadFileBytes(prefix.Drive('c') + "/d/big.bin") == content);
  // Without restart the same call writes the file anew.
  WriteFileBytes(prefix.Drive('c') + "/d/big.bin", "junk that is no part of it");
  EXPECT_TRUE(client.RetrieveFile("big.bin", false));
  EXPECT_TRUE(ReadFileBytes(prefix.Drive('c') + "/d/big.bin") == content);
}

TEST(FTPClientPeer, UploadsResumeAppendAndUnique) {
  TPyFtpd server;
  REQUIRE_PEER(server);
  const std::string content = Pattern(200000);
  // The server holds the first part of an interrupted upload.
  WriteFileBytes(server.Root() + "/up.bin", content.substr(0, 70000));
  TFTPClient client;
  AimAt(client, "127.0.0.1", server.Port());
  ASSERT_TRUE(client.Login());
  std::string sent;
  client.SetOnStatus([&](TFTPClient*, bool response, const std::string& value) {
    if (!response)
      sent += value + "\n";
  });
  client.OwnDataStream().SetData(content);
  EXPECT_TRUE(client.StoreFile("up.bin", true)) << client.ResultString();
  EXPECT_NE(sent.find("ALLO 130000\nREST 70000\nSTOR up.bin\n"), std::string::npos) << sent;
  EXPECT_TRUE(ReadFileBytes(server.Root() + "/up.bin") == content);

  client.OwnDataStream().SetData("tail");
  EXPECT_TRUE(client.AppendFile("up.bin"));
  EXPECT_TRUE(ReadFileBytes(server.Root() + "/up.bin") == content + "tail");

  client.OwnDataStream().SetData("unique");
  EXPECT_TRUE(client.StoreUniqueFile()) << client.ResultString();

  EXPECT_TRUE(client.CreateDir("sub"));
  EXPECT_TRUE(client.ChangeWorkingDir("sub"));
  EXPECT_EQ(client.GetCurrentDir(), "/sub");
  EXPECT_TRUE(client.ChangeToParentDir());
  EXPECT_TRUE(client.RenameFile("up.bin", "moved.bin"));
  EXPECT_TRUE(std::filesystem::exists(server.Root() + "/moved.bin"));
  EXPECT_TRUE(client.DeleteFile("moved.bin"));
  EXPECT_TRUE(client.DeleteDir("sub"));
  EXPECT_FALSE(std::filesystem::exists(server.Root() + "/sub"));
  EXPECT_TRUE(client.NoOp());
  client.Logout();
}

TEST(FTPClientPeer, ListingsAreParsedIntoRecords) {
  TPyFtpd server;
  REQUIRE_PEER(server);
  WriteFileBytes(server.Root() + "/a.txt", "12345");
  std::filesystem::create_directories(server.Root() + "/dir");
  // A name that looks like a path climbing out stays a name in the records.
  WriteFileBytes(server.Root() + "/..evil", "x");
  TFTPClient client;
  AimAt(client, "127.0.0.1", server.Port());
  ASSERT_TRUE(client.Login());
  for (bool mlsd : {false, true}) {
    client.SetUseMLSDList(mlsd);
    ASSERT_TRUE(client.List("", false)) << mlsd;
    net::TFTPList& list = client.FtpList();
    bool sawFile = false, sawDir = false, sawOdd = false;
    for (int i = 0; i < list.Count(); ++i) {
      const net::TFTPListRec* rec = list.Items(i);
      if (rec->FileName() == "a.txt") {
        sawFile = true;
        EXPECT_FALSE(rec->Directory());
        EXPECT_EQ(rec->FileSize(), 5);
      }
      if (rec->FileName() == "dir") {
        sawDir = true;
        EXPECT_TRUE(rec->Directory());
      }
      sawOdd |= rec->FileName() == "..evil";
    }
    EXPECT_TRUE(sawFile && sawDir && sawOdd) << (mlsd ? "MLSD" : "LIST") << "\n"
                                             << client.OwnDataStream().Data();
  }
  ASSERT_TRUE(client.List("", true));
  EXPECT_NE(client.OwnDataStream().Data().find("a.txt"), std::string::npos);
  EXPECT_EQ(client.FtpList().Count(), 0);
}

TEST(FTPClientPeer, VsftpdListingAndRetrieval) {
  TVsftpd server;
  REQUIRE_PEER(server);
  const std::string content = Pattern(500000);
  WriteFileBytes(server.Root() + "/pkg.zip", content);
  std::filesystem::create_directories(server.Root() + "/pub");
  TFTPClient client;
  AimAt(client, "127.0.0.1", server.Port(), "anonymous", "x@");
  ASSERT_TRUE(client.Login()) << server.Log();
  EXPECT_EQ(client.FileSize("pkg.zip"), static_cast<int64_t>(content.size()));
  EXPECT_TRUE(client.RetrieveFile("pkg.zip", false));
  EXPECT_TRUE(client.OwnDataStream().Data() == content);
  client.OwnDataStream().SetData(content.substr(0, 4096));
  EXPECT_TRUE(client.RetrieveFile("pkg.zip", true));
  EXPECT_TRUE(client.OwnDataStream().Data() == content);
  client.SetPassiveMode(false);
  EXPECT_TRUE(client.RetrieveFile("pkg.zip", false)) << client.ResultString();
  EXPECT_TRUE(client.OwnDataStream().Data() == content);
  client.SetPassiveMode(true);
  ASSERT_TRUE(client.List("", false));
  ASSERT_EQ(client.FtpList().Count(), 2) << client.OwnDataStream().Data();
  bool sawFile = false;
  for (int i = 0; i < client.FtpList().Count(); ++i) {
    const net::TFTPListRec* rec = client.FtpList().Items(i);
    if (rec->FileName() == "pkg.zip") {
      sawFile = true;
      EXPECT_EQ(rec->FileSize(), static_cast<int64_t>(content.size()));
      EXPECT_FALSE(rec->Directory());
    } else {
      EXPECT_EQ(rec->FileName(), "pub");
      EXPECT_TRUE(rec->Directory());
    }
  }
  EXPECT_TRUE(sawFile);
  EXPECT_TRUE(client.Logout());
}

}  // namespace
