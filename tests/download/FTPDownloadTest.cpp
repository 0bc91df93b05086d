// The FTP download session against scripted servers: the order of events, the end-of-transfer
// replies, continuing a partial file (and starting over where the server cannot), a file
// that is whole already, a truncated transfer, and the start's failures with the logout.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "download/DownloadErrors.h"
#include "download/VsDownload.h"
#include "download/VsFTPDownload.h"
#include "platform/SocketError.h"
#include "tests/support/FtpScript.h"
#include "tests/support/Process.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TempDir.h"

namespace {

namespace SocketError = platform::SocketError;

using download::TVsDownload;
using varelo::test::AppendAll;
using varelo::test::FtpDialogue;
using varelo::test::FtpLoginCommands;
using varelo::test::FtpLoginReplies;
using varelo::test::PasvReply;
using varelo::test::ReadFileBytes;
using varelo::test::TScript;
using varelo::test::TScriptedServer;
using varelo::test::WriteFileBytes;

const char* ReasonText(net::THookSocketReason r) {
  switch (r) {
    case net::HR_Connect:
      return "Connect";
    case net::HR_ReadCount:
      return "ReadCount";
    case net::HR_SocketClose:
      return "SocketClose";
    default:
      return "other";
  }
}

// A component set up for FTP with every event but the monitor written down.
struct TFtpFetch {
  explicit TFtpFetch(int port) {
    component.SetProtocolo(download::protFTP);
    component.FTP().FtpHost = "127.0.0.1";
    component.FTP().FtpPort = std::to_string(port);
    component.FTP().FtpUser = "u";
    component.FTP().FtpPass = "p";
    component.FTP().FtpTimeout = 3000;
    component.SetOnBeforeDownload(
        [this](download::TVsDownloadClass*) { events.push_back("before"); });
    component.SetOnAfterDownload(
        [this](download::TVsDownloadClass*) { events.push_back("after"); });
    component.SetOnHookStatus(
        [this](net::TBlockingSocket*, net::THookSocketReason r, int32_t t, int32_t d) {
          events.push_back(std::string(ReasonText(r)) + " " + std::to_string(t) + " " +
                           std::to_string(d));
        });
  }
  void Run(const std::string& url) {
    component.SetDownloadUrl(url);
    component.SetDownloadDest(varelo::test::InPrefix("C:\\d\\"));
    component.StartDownload();
  }
  TVsDownload component;
  std::vector<std::string> events;
};

// A transfer paused earlier is resumed by a new start: the new session begins with the
// component's stPause, which must not stop its login or its transfer.
TEST(FTPDownloadResume, StartAfterAPauseRuns) {
  varelo::test::TTempPrefix prefix;
  std::filesystem::create_directories(prefix.Drive('c') + "/d");
  TScriptedServer data(TScript().Send("def").Close());
  std::vector<std::string> replies = FtpLoginReplies();
  AppendAll(replies, {"213 6", PasvReply("127.0.0.1", data.Port()), "200 Type I", "350 Restart",
                      "150 Opening", "~226 Done", "221 Bye"});
  TScriptedServer server(FtpDialogue("220 hi", replies));
  WriteFileBytes(prefix.Drive('c') + "/d/pkg.zip.part", "abc");
  TFtpFetch fetch(server.Port());
  fetch.component.SetDownloadStatus(download::stPause);
  fetch.Run("ftp://x/pkg.zip");
  EXPECT_EQ(ReadFileBytes(prefix.Drive('c') + "/d/pkg.zip"), "abcdef");
}

struct TEndingCase {
  const char* name;
  std::string partial;  // the partial file before the start ("" = none)
  bool restarts;        // the server's answer to the restart probe at login
  std::string size;     // the reply to SIZE
  // Replies from PASV on; "P" stands for the passive reply to the data server.
  std::vector<std::string> transfer;
  std::vector<std::string> data;  // what each data connection sends, in turn
  std::string commands;           // what follows the login, QUIT included
  std::string final;              // the finished file ("" = not finished)
  std::string part;               // the partial file left ("" = none)
  bool dataReset = false;         // each data connection ends with a TCP reset
  int32_t cause = 0;              // the session's LastError afterwards
};

class FTPDownload : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(Folder()); }
  std::string Folder() const { return prefix_.Drive('c') + "/d"; }
  // Plays each row against a scripted server pair and checks its outcome.
  void PlayEndings(const std::vector<TEndingCase>& cases);
  varelo::test::TTempPrefix prefix_;
};

void FTPDownload::PlayEndings(const std::vector<TEndingCase>& cases) {
  for (const auto& c : cases) {
    std::filesystem::remove(Folder() + "/pkg.zip");
    std::filesystem::remove(Folder() + "/pkg.zip.part");
    if (!c.partial.empty())
      WriteFileBytes(Folder() + "/pkg.zip.part", c.partial);
    std::vector<TScript> dataScripts;
    for (const auto& bytes : c.data) {
      TScript script;
      if (!bytes.empty())
        script.Send(bytes);
      dataScripts.push_back(c.dataReset ? script.Pause(20).Reset() : script.Close());
    }
    if (dataScripts.empty())
      dataScripts.push_back(TScript().Close());
    TScriptedServer data(dataScripts);
    std::vector<std::string> replies = FtpLoginReplies(c.restarts);
    replies.push_back(c.size);
    for (const auto& r : c.transfer)
      replies.push_back(r == "P" ? PasvReply("127.0.0.1", data.Port()) : r);
    TScriptedServer server(FtpDialogue("220 hi", replies));
    TFtpFetch fetch(server.Port());
    fetch.Run("ftp://x/pkg.zip");
    EXPECT_EQ(server.Received(), FtpLoginCommands("u", "p", c.restarts) + c.commands) << c.name;
    const bool finished = std::filesystem::exists(Folder() + "/pkg.zip");
    EXPECT_EQ(finished, !c.final.empty()) << c.name;
    if (finished) {
      EXPECT_EQ(ReadFileBytes(Folder() + "/pkg.zip"), c.final) << c.name;
    }
    if (!c.part.empty()) {
      EXPECT_EQ(ReadFileBytes(Folder() + "/pkg.zip.part"), c.part) << c.name;
    }
    EXPECT_EQ(fetch.events.front(), "before") << c.name;
    EXPECT_EQ(fetch.events.back(), "after") << c.name;
    EXPECT_EQ(fetch.component.Session().LastError(), c.cause) << c.name;
  }
}

TEST_F(FTPDownload, PlainTransferRaisesEventsInOrder) {
  TScriptedServer data(TScript().Send("abcdef").Close());
  std::vector<std::string> replies = FtpLoginReplies();
  AppendAll(replies, {"213 6", PasvReply("127.0.0.1", data.Port()), "200 Type I", "350 Restart",
                      "150 Opening", "~226 Done", "221 Bye"});
  TScriptedServer server(FtpDialogue("220 hi", replies));
  TFtpFetch fetch(server.Port());
  fetch.Run("ftp://elsewhere.example:2121/pub/pkg.zip");
  EXPECT_EQ(fetch.events,
            (std::vector<std::string>{"before", "Connect 0 0", "ReadCount 6 0", "SocketClose 6 6",
                                      "SocketClose 6 6", "after"}));
  EXPECT_EQ(ReadFileBytes(Folder() + "/pkg.zip"), "abcdef");
  EXPECT_FALSE(std::filesystem::exists(Folder() + "/pkg.zip.part"));
  EXPECT_EQ(server.Received(), FtpLoginCommands("u", "p") +
                                   "SIZE /pub/pkg.zip\r\nPASV\r\nTYPE I\r\nREST 0\r\nRETR "
                                   "/pub/pkg.zip\r\nQUIT\r\n");
}

TEST_F(FTPDownload, EndingsAndRestartsTable) {
  const std::string retr = "RETR /pkg.zip\r\n";
  const std::vector<TEndingCase> cases{
      {"250 ends like 226",
       "",
       true,
       "213 6",
       {"P", "200 ok", "350 ok", "150 go", "~250 ok", "221 bye"},
       {"abcdef"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 0\r\n" + retr + "QUIT\r\n",
       "abcdef",
       ""},
      {"426 leaves the partial file",
       "",
       true,
       "213 6",
       {"P", "200 ok", "350 ok", "150 go", "~426 broken", "221 bye"},
       {"abc"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 0\r\n" + retr + "QUIT\r\n",
       "",
       "abc"},
      {"no SIZE still finishes",
       "",
       true,
       "550 no SIZE here",
       {"P", "200 ok", "350 ok", "150 go", "~226 ok", "221 bye"},
       {"abcdef"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 0\r\n" + retr + "QUIT\r\n",
       "abcdef",
       ""},
      {"fewer bytes than SIZE is not finished",
       "",
       true,
       "213 10",
       {"P", "200 ok", "350 ok", "150 go", "~226 ok", "221 bye"},
       {"abcdef"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 0\r\n" + retr + "QUIT\r\n",
       "",
       "abcdef",
       false,
       download::kErrorBodyShort},
      {"resumed from the partial file's size",
       "abc",
       true,
       "213 6",
       {"P", "200 ok", "350 ok", "150 go", "~226 ok", "221 bye"},
       {"def"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 3\r\n" + retr + "QUIT\r\n",
       "abcdef",
       ""},
      {"REST refused: written anew",
       "abc",
       true,
       "213 6",
       {"P", "200 ok", "502 no", "P", "200 ok", "150 go", "~226 ok", "221 bye"},
       {"", "abcdef"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 3\r\nPASV\r\nTYPE I\r\n" + retr + "QUIT\r\n",
       "abcdef",
       ""},
      {"no restart at all: written anew",
       "abc",
       false,
       "213 6",
       {"P", "200 ok", "150 go", "~226 ok", "221 bye"},
       {"abcdef"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\n" + retr + "QUIT\r\n",
       "abcdef",
       ""},
      {"partial file larger than the server's: anew",
       "abcdefgh",
       true,
       "213 6",
       {"P", "200 ok", "350 ok", "150 go", "~226 ok", "221 bye"},
       {"abcdef"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 0\r\n" + retr + "QUIT\r\n",
       "abcdef",
       ""},
      {"partial file whole already",
       "abcdef",
       true,
       "213 6",
       {"221 bye"},
       {},
       "SIZE /pkg.zip\r\nQUIT\r\n",
       "abcdef",
       ""},
      {"RETR refused",
       "",
       true,
       "213 6",
       {"P", "200 ok", "350 ok", "550 no file", "221 bye"},
       {""},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 0\r\n" + retr + "QUIT\r\n",
       "",
       ""},
      {"no SIZE, the 150's size, cut short before 226",
       "",
       true,
       "550 no SIZE here",
       {"P", "200 ok", "350 ok", "150 Opening BINARY mode data connection (6 bytes).", "~226 ok",
        "221 bye"},
       {"abc"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 0\r\n" + retr + "QUIT\r\n",
       "",
       "abc",
       false,
       download::kErrorBodyShort},
      {"no SIZE, the 150's size, whole",
       "",
       true,
       "550 no SIZE here",
       {"P", "200 ok", "350 ok", "150 Opening BINARY mode data connection (6 bytes).", "~226 ok",
        "221 bye"},
       {"abcdef"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 0\r\n" + retr + "QUIT\r\n",
       "abcdef",
       ""},
      {"a negative SIZE is no size: the 150's size judges",
       "",
       true,
       "213 -5",
       {"P", "200 ok", "350 ok", "150 Opening (6 bytes)", "~226 ok", "221 bye"},
       {"abc"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 0\r\n" + retr + "QUIT\r\n",
       "",
       "abc",
       false,
       download::kErrorBodyShort},
      {"resumed without SIZE, the 150 announcing the file's size",
       "abc",
       true,
       "502 no SIZE",
       {"P", "200 ok", "350 ok", "150 Opening (6 bytes)", "~226 ok", "221 bye"},
       {"def"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 3\r\n" + retr + "QUIT\r\n",
       "abcdef",
       ""},
  };
  PlayEndings(cases);
}

// The data connection ended by a reset: never finished, whatever the server says after it.
TEST_F(FTPDownload, DataCutByAResetIsNeverFinished) {
  const std::string retr = "RETR /pkg.zip\r\n";
  const std::vector<TEndingCase> cases{
      {"no SIZE, data cut by a reset, then 226",
       "",
       true,
       "550 no SIZE here",
       {"P", "200 ok", "350 ok", "150 go", "~226 ok", "221 bye"},
       {"abc"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 0\r\n" + retr + "QUIT\r\n",
       "",
       "abc",
       true,
       SocketError::kConnectionReset},
      {"SIZE known, data cut by a reset",
       "",
       true,
       "213 6",
       {"P", "200 ok", "350 ok", "150 go", "~226 ok", "221 bye"},
       {"abc"},
       "SIZE /pkg.zip\r\nPASV\r\nTYPE I\r\nREST 0\r\n" + retr + "QUIT\r\n",
       "",
       "abc",
       true,
       SocketError::kConnectionReset},
  };
  PlayEndings(cases);
}

TEST_F(FTPDownload, RefusedLoginFailsLogsOutAndCreatesNothing) {
  TScriptedServer server(FtpDialogue("220 hi", {"331 pw", "530 Login incorrect", "221 Bye"}));
  TFtpFetch fetch(server.Port());
  try {
    fetch.Run("ftp://x/pkg.zip");
    FAIL() << "no failure";
  } catch (const download::EVsDownload& e) {
    EXPECT_STREQ(e.what(), "Não foi possível efetuar o login!");
  }
  EXPECT_TRUE(fetch.events.empty());
  EXPECT_TRUE(std::filesystem::is_empty(Folder()));
  EXPECT_EQ(server.Received(), "USER u\r\nPASS p\r\nQUIT\r\n");
}

TEST_F(FTPDownload, UnreachableServerFailsTheLogin) {
  TFtpFetch fetch(varelo::test::FreeTcpPort());
  EXPECT_THROW(fetch.Run("ftp://x/pkg.zip"), download::EVsDownload);
  EXPECT_TRUE(std::filesystem::is_empty(Folder()));
}

TEST_F(FTPDownload, UrlWithoutNameFailsAfterLogin) {
  std::vector<std::string> replies = FtpLoginReplies();
  replies.push_back("221 Bye");
  TScriptedServer server(FtpDialogue("220 hi", replies));
  TFtpFetch fetch(server.Port());
  try {
    fetch.Run("ftp://x/pub/");
    FAIL() << "no failure";
  } catch (const download::EVsDownload& e) {
    EXPECT_STREQ(e.what(), "File To Save not found");
  }
  EXPECT_EQ(server.Received(), FtpLoginCommands("u", "p") + "QUIT\r\n");
}

TEST_F(FTPDownload, StopDuringTransferDeletesThePartialFile) {
  TScriptedServer data(TScript().Send(std::string(100000, 'a')).Pause(200).Send("bbbb").Close());
  std::vector<std::string> replies = FtpLoginReplies();
  AppendAll(replies, {"213 100004", PasvReply("127.0.0.1", data.Port()), "200 ok", "350 ok",
                      "150 go", "~426 aborted", "221 Bye"});
  TScriptedServer server(FtpDialogue("220 hi", replies));
  TFtpFetch fetch(server.Port());
  fetch.component.SetOnHookMonitor(
      [&](net::TBlockingSocket*, int32_t, int32_t, double, uint16_t, uint16_t, uint16_t) {
        fetch.component.SetDownloadStatus(download::stStop);
      });
  fetch.Run("ftp://x/pkg.zip");
  EXPECT_FALSE(std::filesystem::exists(Folder() + "/pkg.zip.part"));
  EXPECT_FALSE(std::filesystem::exists(Folder() + "/pkg.zip"));
  EXPECT_EQ(fetch.events.back(), "after");
}

}  // namespace
