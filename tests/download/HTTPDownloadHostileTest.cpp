#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "download/DownloadErrors.h"
#include "net/ProtoTicks.h"
#include "platform/File.h"
#include "platform/SocketError.h"
#include "tests/download/DownloadRecorder.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"

// The HTTP session against answers no ordinary server gives: bodies cut short, ranges that
// do not fit, redirects of every kind, and server-chosen names meant to escape the folder.
namespace download::test {
namespace {

namespace SocketError = platform::SocketError;

using varelo::test::PathExists;
using varelo::test::ReadFileBytes;
using varelo::test::TScript;
using varelo::test::TScriptedServer;
using varelo::test::TTempPrefix;
using varelo::test::WriteFileBytes;

std::string Url(const TScriptedServer& server, const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
}

TScript Answer(const std::string& reply) {
  return TScript().WaitFor("\r\n\r\n").Send(reply);
}

std::string Sized(const std::string& status, const std::string& body,
                  const std::string& extra = "") {
  return "HTTP/1.0 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
         extra + "\r\n" + body;
}

class HTTPDownloadHostile : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
    recorder.component.Proxy().ProxyTimeout = 700;
  }
  std::string Dir() const { return prefix.Drive('c') + "/d/"; }

  TTempPrefix prefix;
  TDownloadRecorder recorder;
};

// Bodies that end before their framing says: the partial file keeps what arrived and the
// package is not finished; the next start asks for the rest.
TEST_F(HTTPDownloadHostile, CutShortBodiesAreNeverFinished) {
  struct TCase {
    const char* what;
    std::string reply;
    TScript script;
    std::string kept;
  };
  const std::string half(600, 'h');
  const std::vector<TCase> cases = {
      {"sized body cut short",
       {},
       Answer("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + half),
       half},
      // Asked for no range, a piece is no part of the file at all: nothing is written.
      {"206 to a request without a range, cut short",
       {},
       Answer("HTTP/1.0 206 Partial\r\nContent-Range: bytes 0-999/1000\r\nContent-Length: "
              "1000\r\n\r\n" +
              half),
       ""},
      {"chunked without its last chunk",
       {},
       Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
              "258\r\n" +
              half + "\r\n"),
       half},
      {"chunk size that is not a number",
       {},
       Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
              "258\r\n" +
              half + "\r\nzz\r\nabc\r\n0\r\n\r\n"),
       half},
      {"timeout in the middle of the body",
       {},
       TScript()
           .WaitFor("\r\n\r\n")
           .Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + half)
           .HoldOpen(3000),
       half},
  };
  for (const auto& c : cases) {
    TTempPrefix fresh;
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
    const std::string dir = fresh.Drive('c') + "/d/";
    TDownloadRecorder r;
    r.component.Proxy().ProxyTimeout = 700;
    TScriptedServer server(c.script);
    r.Fetch(Url(server, "/pkg.zip"));
    r.component.SetProtocolo(protNenhum);  // the session stays; its file is closed
    EXPECT_FALSE(PathExists(dir + "pkg.zip")) << c.what;
    EXPECT_EQ(ReadFileBytes(dir + "pkg.zip.part"), c.kept) << c.what;
    EXPECT_EQ(r.Count("after"), 1) << c.what;
  }
}

TEST_F(HTTPDownloadHostile, CutShortFileIsResumedAndFinishedLater) {
  const std::string body(1000, 'b');
  TScriptedServer server(std::vector<TScript>{
      Answer("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + body.substr(0, 400)),
      Answer(Sized("206 Partial", body.substr(400), "Content-Range: bytes 400-999/1000\r\n"))});
  recorder.Fetch(Url(server, "/pkg.zip"));
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip"));
  recorder.component.StartDownload();
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip"), body);
  EXPECT_NE(server.Received(1).find("Range: bytes=400-\r\n"), std::string::npos)
      << server.Received(1);
}

TEST_F(HTTPDownloadHostile, WholeFileAnswerToARangeRewritesFromTheStart) {
  WriteFileBytes(Dir() + "pkg.zip.part", "stale bytes");
  const std::string body = "the whole package, from its first byte";
  TScriptedServer server(Answer(Sized("200 OK", body)));
  recorder.Fetch(Url(server, "/pkg.zip"));
  EXPECT_NE(server.Received(0).find("Range: bytes=11-\r\n"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip"), body);
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip.part"));
  const auto& session = recorder.component.Session();
  EXPECT_EQ(session.BytesToDownload(), static_cast<int64_t>(body.size()));
  EXPECT_EQ(session.BytesDownloaded(), static_cast<int64_t>(body.size()));
  EXPECT_EQ(session.BytesResumed(), 0);
}

TEST_F(HTTPDownloadHostile, WholeFileWithoutLengthToARangeRewritesFromTheStart) {
  WriteFileBytes(Dir() + "pkg.zip.part", "stale");
  TScriptedServer server(Answer("HTTP/1.0 200 OK\r\n\r\nfresh body"));
  recorder.Fetch(Url(server, "/pkg.zip"));
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip"), "fresh body");
}

TEST_F(HTTPDownloadHostile, RangesThatDoNotFitAreNotWritten) {
  struct TCase {
    const char* what;
    std::string reply;
    const char* kept;
  };
  const std::vector<TCase> cases = {
      {"206 at another offset", Sized("206 Partial", "XYZ", "Content-Range: bytes 0-2/8\r\n"),
       "12345"},
      {"206 without Content-Range", Sized("206 Partial", "XYZ"), "12345"},
      {"206 with a broken Content-Range", Sized("206 Partial", "XYZ", "Content-Range: 5-7\r\n"),
       "12345"},
      // Good bytes at the right place: kept for the next resume, but the file is not whole.
      {"206 that stops short of the end",
       Sized("206 Partial", "XY", "Content-Range: bytes 5-6/9\r\n"), "12345XY"},
      {"416 of another size",
       Sized("416 Range Not Satisfiable", "", "Content-Range: bytes */9\r\n"), "12345"},
      {"416 without a size", Sized("416 Range Not Satisfiable", ""), "12345"},
  };
  for (const auto& c : cases) {
    TTempPrefix fresh;
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
    const std::string dir = fresh.Drive('c') + "/d/";
    WriteFileBytes(dir + "pkg.zip.part", "12345");
    {
      // After a failed answer the session holds its file until it goes (on Windows nobody
      // else may read it meanwhile).
      TDownloadRecorder r;
      TScriptedServer server(Answer(c.reply));
      r.Fetch(Url(server, "/pkg.zip"));
    }
    EXPECT_FALSE(PathExists(dir + "pkg.zip")) << c.what;
    EXPECT_EQ(ReadFileBytes(dir + "pkg.zip.part"), c.kept) << c.what;
  }
}

TEST_F(HTTPDownloadHostile, RangeAtTheRightOffsetIsAppended) {
  WriteFileBytes(Dir() + "pkg.zip.part", "12345");
  TScriptedServer server(Answer(Sized("206 Partial", "678", "Content-Range: bytes 5-7/8\r\n")));
  recorder.Fetch(Url(server, "/pkg.zip"));
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip"), "12345678");
}

TEST_F(HTTPDownloadHostile, RangeNotSatisfiableForACompleteFileFinishesIt) {
  WriteFileBytes(Dir() + "pkg.zip.part", "12345678");
  TScriptedServer server(Answer(
      Sized("416 Range Not Satisfiable", "<html>error</html>", "Content-Range: bytes */8\r\n")));
  recorder.Fetch(Url(server, "/pkg.zip"));
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip"), "12345678");
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip.part"));
}

TEST_F(HTTPDownloadHostile, RedirectsOfEveryKindAreFollowed) {
  struct TCase {
    const char* what;
    std::string locationLine;
    const char* expectedRequest;
  };
  const std::vector<TCase> cases = {
      {"301", "HTTP/1.0 301 Moved\r\nLocation: /new/pkg.zip\r\n", "GET /new/pkg.zip "},
      {"302 relative", "HTTP/1.0 302 Found\r\nLocation: other.zip\r\n", "GET /dir/other.zip "},
      {"303 lower case", "HTTP/1.0 303 See Other\r\nlocation: ../up.zip\r\n", "GET /up.zip "},
      {"307 upper case", "HTTP/1.0 307 Temporary\r\nLOCATION:/t.zip\r\n", "GET /t.zip "},
      {"308 absolute", "HTTP/1.0 308 Permanent\r\nLocation: http://127.0.0.1:PORT/p.zip\r\n",
       "GET /p.zip "},
  };
  for (const auto& c : cases) {
    TTempPrefix fresh;
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
    const std::string dir = fresh.Drive('c') + "/d/";
    TDownloadRecorder r;
    std::string head = c.locationLine;
    const bool absolute = head.find("PORT") != std::string::npos;
    std::unique_ptr<TScriptedServer> mirror;
    if (absolute) {
      mirror = std::make_unique<TScriptedServer>(Answer(Sized("200 OK", "moved package")));
      head.replace(head.find("PORT"), 4, std::to_string(mirror->Port()));
    }
    std::vector<TScript> scripts = {Answer(head + "Content-Length: 0\r\n\r\n")};
    if (!absolute)
      scripts.push_back(Answer(Sized("200 OK", "moved package")));
    TScriptedServer server(scripts);
    r.Fetch(Url(server, "/dir/pkg.zip"));
    const std::string second = absolute ? mirror->Received(0) : server.Received(1);
    EXPECT_EQ(second.substr(0, std::string(c.expectedRequest).size()), c.expectedRequest)
        << c.what << ": " << second;
    EXPECT_EQ(ReadFileBytes(dir + "pkg.zip"), "moved package") << c.what;
    EXPECT_FALSE(PathExists(dir + "pkg.zip.part")) << c.what;
  }
}

TEST_F(HTTPDownloadHostile, RedirectsEndAfterTenInARow) {
  std::vector<TScript> scripts;
  for (int i = 0; i < 12; ++i)
    scripts.push_back(
        Answer("HTTP/1.0 302 Found\r\nLocation: /loop" + std::to_string(i) + "\r\n\r\n"));
  TScriptedServer server(scripts, 1500);
  recorder.Fetch(Url(server, "/pkg.zip"));
  EXPECT_EQ(server.Accepted(), 11u);  // the first request and ten redirects
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip"));
  EXPECT_TRUE(PathExists(Dir() + "pkg.zip.part"));
  EXPECT_EQ(static_cast<TVsHTTPDownload&>(recorder.component.Session()).Redirects(), 10);
}

TEST_F(HTTPDownloadHostile, RedirectWithoutAUsableLocationEndsTheTransfer) {
  for (const char* head : {"HTTP/1.0 302 Found\r\n", "HTTP/1.0 302 Found\r\nLocation:\r\n",
                           "HTTP/1.0 302 Found\r\nLocation: ftp://h/x.zip\r\n",
                           "HTTP/1.0 301 Moved\r\nLocation: /a b\r\n"}) {
    TTempPrefix fresh;
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
    TDownloadRecorder r;
    TScriptedServer server(std::vector<TScript>{Answer(std::string(head) + "\r\n")}, 1500);
    r.Fetch(Url(server, "/pkg.zip"));
    EXPECT_EQ(server.Accepted(), 1u) << head;
    EXPECT_FALSE(PathExists(fresh.Drive('c') + "/d/pkg.zip")) << head;
    EXPECT_EQ(r.Count("status", net::HR_SocketClose), 1) << head;
    EXPECT_EQ(r.Count("before"), 1) << head;
  }
}

TEST_F(HTTPDownloadHostile, BodyOfAnErrorAnswerStaysOutOfThePartialFile) {
  WriteFileBytes(Dir() + "pkg.zip.part", "good");
  {
    // A component of its own, whose session lets the partial file go with it.
    TDownloadRecorder r;
    TScriptedServer server(Answer(Sized("503 Busy", "<html>try later</html>")));
    r.Fetch(Url(server, "/pkg.zip"));
  }
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip"));
  // Resumed later, the file would go on from its own bytes, not from the error page's.
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip.part"), "good");
}

// Server-chosen names: the probe's "filename=" is reduced to a safe name within the folder, or
// treated as no name at all.
TEST_F(HTTPDownloadHostile, ServerChosenNamesStayInTheFolder) {
  struct TCase {
    const char* disposition;
    const char* saved;  // empty: "Favor informar o nome do arquivo para download!"
  };
  const TCase cases[] = {
      {"attachment; filename=\"pkg.zip\"", "pkg.zip"},
      {"attachment; filename=\"pkg.zip\"; size=10", "pkg.zip"},
      // Other header lines never name the file.
      {"inline\r\nX-Note: filename=autorun.inf", ""},
      {"inline\r\nSet-Cookie: filename=evil.exe\r\nContent-Disposition: attachment; "
       "filename=pkg.zip",
       "pkg.zip"},
      {"attachment; filename=\"../../outside.zip\"", "outside.zip"},
      {"attachment; filename=..\\..\\win.ini", "win.ini"},
      {"attachment; filename=\"..\"", ""},
      {"attachment; filename=.", ""},
      {"attachment; filename=\"\"", ""},
      {"attachment; filename=CON", ""},
      {"attachment; filename=C:evil.zip", ""},
      {"attachment; filename=a\x01"
       "b.zip",
       ""},
      {"inline", ""},
  };
  for (const auto& c : cases) {
    TTempPrefix fresh;
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d\\inner"));
    const std::string dir = fresh.Drive('c') + "/d/inner/";
    TDownloadRecorder r;
    const std::string head =
        std::string("HTTP/1.0 206 Partial\r\nContent-Disposition: ") + c.disposition + "\r\n";
    std::vector<TScript> scripts = {
        Answer(head + "Content-Range: bytes 0-3/4\r\nContent-Length: 4\r\n\r\nbody")};
    if (*c.saved)
      scripts.push_back(Answer(Sized("200 OK", "package")));
    TScriptedServer server(scripts, 1500);
    std::string failure;
    try {
      r.Fetch(Url(server, "/get/"), varelo::test::InPrefix("C:\\d\\inner\\"));
    } catch (const EVsDownload& e) {
      failure = e.what();
    }
    EXPECT_NE(server.Received(0).find("Range: bytes=0-1024\r\n"), std::string::npos);
    if (*c.saved) {
      EXPECT_EQ(failure, "") << c.disposition;
      EXPECT_EQ(ReadFileBytes(dir + c.saved), "package") << c.disposition;
    } else {
      EXPECT_EQ(failure, "Favor informar o nome do arquivo para download!") << c.disposition;
      EXPECT_EQ(r.Count("before"), 0) << c.disposition;
    }
    // Nothing lands beside or above the destination folder.
    size_t outside = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(fresh.Drive('c'))) {
      const std::string path = entry.path().generic_string();
      if (entry.is_regular_file() && path.rfind(dir, 0) != 0)
        ++outside;
    }
    EXPECT_EQ(outside, 0u) << c.disposition;
  }
}

}  // namespace
}  // namespace download::test

namespace download::test {
namespace {

TEST_F(HTTPDownloadHostile, ProxySettingsAndCallersPartialNameReachTheRequest) {
  TScriptedServer proxy(Answer(Sized("200 OK", "through the proxy")));
  recorder.component.Proxy().ProxyHost = "127.0.0.1";
  recorder.component.Proxy().ProxyPort = std::to_string(proxy.Port());
  recorder.component.Proxy().ProxyTimeout = 4321;
  recorder.component.SetDownloadNomeArq("pkg.zip.part");
  int32_t timeout = 0;
  recorder.onBefore = [&](TVsHTTPDownload& s) { timeout = s.HTTPClient().Timeout(); };
  recorder.Fetch("http://packages.invalid/dist/other.zip");
  EXPECT_EQ(timeout, 4321);
  EXPECT_EQ(
      proxy.Received(0).rfind("GET http://packages.invalid:80/dist/other.zip HTTP/1.0\r\n", 0), 0u)
      << proxy.Received(0);
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip"), "through the proxy");
}

TEST_F(HTTPDownloadHostile, WholeChunkedBodyIsFinished) {
  TScriptedServer server(
      TScript()
          .WaitFor("\r\n\r\n")
          .SendSplit("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                     "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n",
                     {80, 90}, 20));
  recorder.Fetch(Url(server, "/pkg.zip"));
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip"), "hello world");
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip.part"));
}

}  // namespace
}  // namespace download::test

namespace download::test {
namespace {

// Answers that are not the whole file, or not the file's rest: each leaves the partial file
// with exactly the bytes that belong to the file, never creates the final name, and names its
// cause. Each reply is also cut at every byte, so that every read boundary is seen.
struct TUnfinishedCase {
  const char* what;
  std::string partial;  // the partial file before the start ("" = none)
  std::string reply;
  bool reset;        // the server ends with a TCP reset instead of an orderly close
  std::string kept;  // the partial file afterwards
  int32_t cause;     // the session's LastError
};

std::vector<TUnfinishedCase> UnfinishedTable() {
  const std::string range = "HTTP/1.0 206 Partial\r\nContent-Range: bytes ";
  return {
      {"a body to the close cut by a reset", "", "HTTP/1.0 200 OK\r\n\r\nhalf", true, "half",
       SocketError::kConnectionReset},
      {"a sized body cut by a reset", "", "HTTP/1.0 200 OK\r\nContent-Length: 8\r\n\r\nhalf", true,
       "half", SocketError::kConnectionReset},
      {"a 206 to a request without a range", "", range + "0-7/8\r\nContent-Length: 4\r\n\r\nhalf",
       false, "", kErrorUnaskedRange},
      {"a 206 without a length cut short by the close", "12345", range + "5-19/20\r\n\r\n678",
       false, "12345678", kErrorBodyShort},
      {"a 206 without a length cut by a reset", "12345", range + "5-9/10\r\n\r\n67", true,
       "1234567", SocketError::kConnectionReset},
      {"bytes past the range with a length", "12345",
       range + "5-7/8\r\nContent-Length: 8\r\n\r\n678EXTRA", false, "12345678", kErrorPastRange},
      {"bytes past the range to the close", "12345", range + "5-7/8\r\n\r\n678EXTRA", false,
       "12345678", kErrorPastRange},
      {"a 206 that starts elsewhere", "12345", range + "4-7/8\r\n\r\n5678", false, "12345",
       kErrorRangeMismatch},
      // A petabyte declared: no disk has the room, and nothing of it is written.
      {"a length no drive has room for", "",
       "HTTP/1.0 200 OK\r\nContent-Length: 1000000000000000\r\n\r\nhead", false, "", kErrorNoRoom},
      {"a resumed rest no drive has room for", "12345",
       range + "5-1000000000000004/1000000000000005\r\nContent-Length: 1000000000000000\r\n\r\n678",
       false, "12345", kErrorNoRoom},
  };
}

// Plays one row with the reply cut at `cut` (0 = in one piece).
void PlayUnfinished(const TUnfinishedCase& c, size_t cut) {
  TTempPrefix fresh;
  platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
  const std::string dir = fresh.Drive('c') + "/d/";
  if (!c.partial.empty())
    WriteFileBytes(dir + "pkg.zip.part", c.partial);
  TScript script = TScript().WaitFor("\r\n\r\n");
  if (cut == 0)
    script.Send(c.reply);
  else
    script.SendSplit(c.reply, {cut}, 5);
  if (c.reset)
    script.Pause(20).Reset();
  int32_t cause = -1;
  {
    TDownloadRecorder r;
    r.component.Proxy().ProxyTimeout = 2000;
    TScriptedServer server(script);
    r.Fetch(Url(server, "/pkg.zip"));
    cause = r.component.Session().LastError();
    EXPECT_EQ(r.Count("after"), 1);
  }
  EXPECT_FALSE(PathExists(dir + "pkg.zip"));
  EXPECT_EQ(ReadFileBytes(dir + "pkg.zip.part"), c.kept);
  EXPECT_EQ(cause, c.cause);
}

// Rows played whole and then cut at every byte; `resets` picks the rows the server ends with
// a reset, or the others.
void PlayUnfinishedRows(bool resets) {
  for (const auto& c : UnfinishedTable()) {
    if (c.reset != resets)
      continue;
    SCOPED_TRACE(c.what);
    PlayUnfinished(c, 0);
    for (size_t cut = 1; cut < c.reply.size(); ++cut) {
      SCOPED_TRACE("cut at " + std::to_string(cut));
      PlayUnfinished(c, cut);
      if (::testing::Test::HasFailure())
        return;
    }
  }
}

TEST(HTTPDownloadUnfinished, AnswersThatAreNotTheFileStayPartialWithTheirCause) {
  PlayUnfinishedRows(false);
}

// The sizes the user is told of: the declared length, and the drive's free bytes.
TEST(HTTPDownloadUnfinished, TooLittleRoomTellsWhatWasNeededAndWhatWasFree) {
  TTempPrefix fresh;
  platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
  TDownloadRecorder r;
  r.component.Proxy().ProxyTimeout = 2000;
  // The first bytes of the body come on their own, and then the server keeps sending.
  TScriptedServer server(Answer("HTTP/1.0 200 OK\r\nContent-Length: 1000000000000000\r\n\r\n")
                             .Pause(50)
                             .Send("head")
                             .Pause(3000));
  const uint32_t start = net::TickNow();
  r.Fetch(Url(server, "/pkg.zip"));
  // The rest of the answer is not waited for.
  EXPECT_LT(net::TickSpan(start, net::TickNow()), 2000u);
  const TVsDownloadClass& session = r.component.Session();
  EXPECT_EQ(session.LastError(), kErrorNoRoom);
  EXPECT_EQ(session.RoomNeeded(), 1000000000000000LL);
  EXPECT_EQ(session.RoomFree(), platform::FreeDiskSpace(varelo::test::InPrefix("C:\\d")));
  EXPECT_GT(session.RoomFree(), 0);
}

#ifndef _WIN32
// The disk fills while a body without a length is written: the transfer ends with the file's
// error and kErrorNoRoom, and the partial file keeps the bytes that fitted, the body's first
// ones, for a continuation once there is room; the final name is never made.
TEST(HTTPDownloadUnfinished, DiskThatFillsWhileWritingLeavesThePartialFile) {
  TTempPrefix fresh;
  const std::string dir = fresh.Drive('c') + "/d";
  varelo::test::TSmallDisk disk(dir, 1024 * 1024);
  if (!disk.Mounted())
    VARELO_PEER_MISSING("a tmpfs could not be mounted (it takes root): " << disk.Log());
  std::string body(3 * 1024 * 1024, '\0');
  for (size_t i = 0; i < body.size(); ++i)
    body[i] = static_cast<char>('a' + i % 23);
  TDownloadRecorder r;
  r.component.Proxy().ProxyTimeout = 5000;
  TScriptedServer server(Answer("HTTP/1.0 200 OK\r\n\r\n" + body));
  std::string error;
  try {
    r.Fetch(Url(server, "/pkg.zip"));
  } catch (const std::exception& e) {
    error = e.what();
  }
  EXPECT_NE(error.find("Cannot write to file"), std::string::npos) << error;
  EXPECT_EQ(r.component.Session().LastError(), kErrorNoRoom);
  EXPECT_GT(r.component.Session().RoomNeeded(), 0);
  EXPECT_FALSE(PathExists(dir + "/pkg.zip"));
  const std::string kept = ReadFileBytes(dir + "/pkg.zip.part");
  EXPECT_GT(kept.size(), 0u);
  EXPECT_LT(kept.size(), body.size());
  EXPECT_EQ(kept, body.substr(0, kept.size()));
}
#endif

TEST(HTTPDownloadUnfinished, AnswersCutByAResetStayPartialWithTheReset) {
  PlayUnfinishedRows(true);
}

// The counterparts that are the file: finished under the final name, the partial file gone.
TEST(HTTPDownloadUnfinished, WholeAnswersAreFinished) {
  struct TCase {
    const char* what;
    std::string partial;
    std::string reply;
    std::string final;
  };
  const std::vector<TCase> cases = {
      {"a body to the close ended orderly", "", "HTTP/1.0 200 OK\r\n\r\nwhole", "whole"},
      {"a 206 without a length with the whole rest", "12345",
       "HTTP/1.0 206 Partial\r\nContent-Range: bytes 5-7/8\r\n\r\n678", "12345678"},
  };
  for (const auto& c : cases) {
    TTempPrefix fresh;
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
    const std::string dir = fresh.Drive('c') + "/d/";
    if (!c.partial.empty())
      WriteFileBytes(dir + "pkg.zip.part", c.partial);
    TDownloadRecorder r;
    TScriptedServer server(Answer(c.reply));
    r.Fetch(Url(server, "/pkg.zip"));
    EXPECT_EQ(ReadFileBytes(dir + "pkg.zip"), c.final) << c.what;
    EXPECT_FALSE(PathExists(dir + "pkg.zip.part")) << c.what;
    EXPECT_EQ(r.component.Session().LastError(), 0) << c.what;
  }
}

}  // namespace
}  // namespace download::test

namespace download::test {
namespace {

// While a transfer waits on a silent server, the caller still gets control through OnIdle at
// least every kIdleSliceMs, and a pause or stop asked for there ends the transfer within a
// second: a stop discards the partial file, a pause keeps what arrived.
TEST(HTTPDownloadIdle, StopOrPauseTakesEffectSoonWhileTheServerIsSilent) {
  struct TCase {
    const char* what;
    TScript script;
    TDownloadStatus asked;
    bool partKept;
    std::string kept;
  };
  const std::string half(600, 'h');
  const TScript silent = TScript().WaitFor("\r\n\r\n").HoldOpen(8000);
  const TScript midBody = TScript()
                              .WaitFor("\r\n\r\n")
                              .Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + half)
                              .HoldOpen(8000);
  const std::vector<TCase> cases = {
      {"stop before any answer", silent, stStop, false, ""},
      {"pause before any answer", silent, stPause, true, ""},
      {"stop in the middle of the body", midBody, stStop, false, ""},
      {"pause in the middle of the body", midBody, stPause, true, half},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TTempPrefix fresh;
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
    const std::string dir = fresh.Drive('c') + "/d/";
    TDownloadRecorder r;
    r.component.Proxy().ProxyTimeout = 20000;
    TScriptedServer server(std::vector<TScript>{c.script}, 10000);
    const uint32_t start = net::TickNow();
    uint32_t last = start;
    uint32_t longestGap = 0;
    uint32_t askedAt = 0;
    int idles = 0;
    r.component.SetOnIdle([&](TVsDownloadClass* sender) {
      EXPECT_EQ(sender, &r.component.Session());
      const uint32_t now = net::TickNow();
      longestGap = std::max(longestGap, net::TickSpan(last, now));
      last = now;
      ++idles;
      if (askedAt == 0 && net::TickSpan(start, now) >= 300) {
        askedAt = now;
        r.component.SetDownloadStatus(c.asked);
      }
    });
    r.Fetch(Url(server, "/pkg.zip"));
    const uint32_t end = net::TickNow();
    ASSERT_NE(askedAt, 0u);
    EXPECT_LT(net::TickSpan(askedAt, end), 1000u);
    // A loaded machine may stretch a slice; a wait of the full timeout would show as seconds.
    EXPECT_LT(longestGap, 300u);
    EXPECT_GE(idles, 3);
    EXPECT_FALSE(PathExists(dir + "pkg.zip"));
    EXPECT_EQ(PathExists(dir + "pkg.zip.part"), c.partKept);
    if (c.partKept) {
      EXPECT_EQ(ReadFileBytes(dir + "pkg.zip.part"), c.kept);
    }
    EXPECT_EQ(r.Count("after"), 1);
  }
}

}  // namespace
}  // namespace download::test
