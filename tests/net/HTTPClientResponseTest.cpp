#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "net/HTTPClient.h"
#include "platform/SocketError.h"
#include "tests/support/Process.h"
#include "tests/support/ScriptedServer.h"

namespace {

namespace SocketError = platform::SocketError;

using net::THTTPClient;
using varelo::test::TScript;
using varelo::test::TScriptedServer;

struct TReplyCase {
  const char* name;
  std::string reply;  // sent after the request arrived; the server then closes
  bool result;
  int code;
  int error;                         // the socket's LastError after the call
  std::string body;                  // "*" = not checked
  std::vector<std::string> headers;  // lines Headers must hold
  std::string method = "GET";
};

std::string Url(const TScriptedServer& server) {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + "/f";
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void CheckOutcome(THTTPClient& client, bool result, const TReplyCase& c) {
  EXPECT_EQ(result, c.result);
  EXPECT_EQ(client.ResultCode(), c.code);
  EXPECT_EQ(client.Sock().LastError(), c.error) << client.Sock().LastErrorDesc();
  if (c.body != "*") {
    EXPECT_EQ(client.Document().Data(), c.body);
  }
  for (const auto& line : c.headers)
    EXPECT_TRUE(HasLine(client.Headers(), line)) << line;
}

void RunReply(const TReplyCase& c, TScript script) {
  TScriptedServer server(std::move(script));
  THTTPClient client;
  client.SetTimeout(3000);
  bool result = client.HTTPMethod(c.method, Url(server));
  CheckOutcome(client, result, c);
}

std::vector<TReplyCase> ReplyTable() {
  const std::string big(60000, 'v');
  std::string hugeBlock = "HTTP/1.0 200 OK\r\n";
  for (int i = 0; i < 20; ++i)
    hugeBlock += "X-Big-" + std::to_string(i) + ": " + big + "\r\n";
  hugeBlock += "Content-Length: 2\r\n\r\nok";
  std::string usualBlock = "HTTP/1.0 200 OK\r\n";
  for (int i = 0; i < 4; ++i)
    usualBlock += "X-Big-" + std::to_string(i) + ": " + big + "\r\n";
  usualBlock += "Content-Length: 2\r\n\r\nok";
  return {
      {"sized body",
       "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello",
       true,
       200,
       0,
       "hello",
       {"HTTP/1.0 200 OK", "Content-Length: 5"}},
      {"no reason phrase", "HTTP/1.1 200\r\nContent-Length: 0\r\n\r\n", true, 200, 0, "", {}},
      {"no status line: everything is the body",
       "just text\r\nmore text",
       true,
       0,
       0,
       "just text\r\nmore text",
       {}},
      {"folded header lines",
       "HTTP/1.0 200 OK\r\nX-A: 1\r\n\tmore\r\nX-B: 2\r\n \"q\"\r\nContent-Length: 2\r\n\r\nok",
       true,
       200,
       0,
       "ok",
       {"X-A: 1 more", "X-B: 2 \"q\""}},
      {"chunk extensions",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;name=val\r\nhello\r\n"
       "6 ; x\r\n world\r\n0\r\n\r\n",
       true,
       200,
       0,
       "hello world",
       {}},
      {"chunked wins over a length given before it",
       "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nTransfer-Encoding: chunked\r\n\r\n"
       "3\r\nabc\r\n0\r\n\r\n",
       true,
       200,
       0,
       "abc",
       {}},
      {"chunked wins over a length given after it",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\nContent-Length: 10\r\n\r\n"
       "3\r\nabc\r\n0\r\n\r\n",
       true,
       200,
       0,
       "abc",
       {}},
      {"body to the close", "HTTP/1.0 200 OK\r\n\r\nall of it", true, 200, 0, "all of it", {}},
      {"empty lines before the status line are skipped",
       "\r\n\r\nHTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok",
       true,
       200,
       0,
       "ok",
       {}},
      {"endless empty lines end at the header limit",
       [] {
         std::string lines;
         for (int i = 0; i < 600000; ++i)
           lines += "\r\n";
         return lines;
       }(),
       false,
       0,
       SocketError::kNoBufferSpace,
       "\r\n",
       {}},
      {"bare LF line ends", "HTTP/1.0 200 OK\nContent-Length: 2\n\nok", true, 200, 0, "ok", {}},
      {"interim 100 responses are read over",
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
       true,
       200,
       0,
       "ok",
       {"HTTP/1.1 100 Continue", "HTTP/1.1 200 OK"}},
      {"error statuses are results, not failures",
       "HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\ngone",
       true,
       404,
       0,
       "gone",
       {}},
      {"peer closes in the middle of a header line",
       "HTTP/1.0 200 OK\r\nContent-Le",
       false,
       200,
       SocketError::kConnectionReset,
       "*",
       {}},
      {"peer closes before the sized body ends: what came is kept",
       "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nshort",
       false,
       200,
       SocketError::kConnectionReset,
       "short",
       {}},
      {"peer closes inside a chunk",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nonly part",
       false,
       200,
       SocketError::kConnectionReset,
       "*",
       {}},
      {"HEAD reads no body",
       "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n",
       true,
       200,
       0,
       "",
       {},
       "HEAD"},
      {"204 reads no body",
       "HTTP/1.0 204 No Content\r\nContent-Length: 5\r\n\r\nhello",
       true,
       204,
       0,
       "",
       {}},
      {"304 reads no body",
       "HTTP/1.0 304 Not Modified\r\nContent-Length: 5\r\n\r\nhello",
       true,
       304,
       0,
       "",
       {}},
      {"a header block over 1 MiB is a failed read",
       hugeBlock,
       false,
       200,
       SocketError::kNoBufferSpace,
       "",
       {}},
      {"an endless header line is a failed read",
       "HTTP/1.0 200 OK\r\nX-Endless: " + std::string(1100000, 'e'),
       false,
       200,
       SocketError::kNoBufferSpace,
       "",
       {}},
      {"a large but usual header block passes", usualBlock, true, 200, 0, "ok", {}},
  };
}

TEST(HTTPClientResponse, CannedRepliesGiveTheExpectedOutcome) {
  for (const auto& c : ReplyTable()) {
    SCOPED_TRACE(c.name);
    RunReply(c, TScript().WaitFor("\r\n\r\n").Send(c.reply));
  }
}

TEST(HTTPClientResponse, RepliesSplitAtEveryPointGiveTheSameOutcome) {
  const std::vector<TReplyCase> cases = {
      {"folded chunked reply",
       "HTTP/1.1 200 OK\r\nX-A: 1\r\n\tmore\r\nTransfer-Encoding: chunked\r\n"
       "Connection: close\r\n\r\n5;e=1\r\nhello\r\n0\r\n\r\n",
       true,
       200,
       0,
       "hello",
       {"X-A: 1 more"}},
      {"sized reply with bare LF",
       "HTTP/1.0 200 OK\nContent-Length: 3\n\nabc",
       true,
       200,
       0,
       "abc",
       {}},
      {"sized reply with CR LF whose body starts with LF",
       "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\n\nab\r",
       true,
       200,
       0,
       "\nab\r",
       {}},
  };
  for (const auto& c : cases) {
    std::vector<TScript> scripts;
    for (size_t cut = 1; cut < c.reply.size(); ++cut) {
      scripts.push_back(TScript().WaitFor("\r\n\r\n").SendSplit(c.reply, {cut}, 10));
    }
    TScriptedServer server(scripts);
    for (size_t cut = 1; cut < c.reply.size(); ++cut) {
      SCOPED_TRACE(std::string(c.name) + ", cut at " + std::to_string(cut));
      THTTPClient client;
      client.SetTimeout(3000);
      bool result = client.HTTPMethod("GET", Url(server));
      CheckOutcome(client, result, c);
    }
  }
}

TEST(HTTPClientResponse, ReplySentByteByByteIsReadWhole) {
  TReplyCase c{"byte by byte",
               "HTTP/1.0 200 OK\r\nX-A: 1\r\n more\r\nContent-Length: 4\r\n\r\nbody",
               true,
               200,
               0,
               "body",
               {"X-A: 1 more"}};
  RunReply(c, TScript().WaitFor("\r\n\r\n").SendBytewise(c.reply, 1));
}

TEST(HTTPClientResponse, MaxLineLengthEndsAnOverlongHeaderLine) {
  TScriptedServer server(
      TScript().WaitFor("\r\n\r\n").Send("HTTP/1.0 200 OK\r\nX-Long: abcdefghijklmnop\r\n\r\n"));
  THTTPClient client;
  client.Sock().SetMaxLineLength(20);
  EXPECT_FALSE(client.HTTPMethod("GET", Url(server)));
  EXPECT_EQ(client.Sock().LastError(), SocketError::kNoBufferSpace);
}

TEST(HTTPClientResponse, SilentPeerTimesOutWithCodeZero) {
  TScriptedServer server(TScript().WaitFor("\r\n\r\n").HoldOpen(2000));
  THTTPClient client;
  client.SetTimeout(200);
  EXPECT_FALSE(client.HTTPMethod("GET", Url(server)));
  EXPECT_EQ(client.ResultCode(), 0);
  EXPECT_EQ(client.Sock().LastError(), SocketError::kTimedOut);
  EXPECT_EQ(client.Document().Data(), "\r\n");
}

TEST(HTTPClientResponse, TimeoutCoversEachPacketOrTheWholePiece) {
  // Ten body packets 80 ms apart: each comes well within the timeout, all of them do not.
  // Each holds 300 bytes, so that the body keeps the least pace (kMinProgressBytes within
  // every Timeout) that holds whatever the per-packet setting.
  const std::string body(3000, 'b');
  const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: 3000\r\n\r\n";
  const std::string reply = head + body;
  std::vector<size_t> cuts;
  for (size_t cut = head.size() + 300; cut < reply.size(); cut += 300)
    cuts.push_back(cut);
  for (bool interPacket : {true, false}) {
    SCOPED_TRACE(interPacket ? "per packet" : "whole piece");
    TScriptedServer server(TScript().WaitFor("\r\n\r\n").SendSplit(reply, cuts, 80));
    THTTPClient client;
    client.SetTimeout(400);
    client.Sock().SetInterPacketTimeout(interPacket);
    EXPECT_EQ(client.HTTPMethod("GET", Url(server)), interPacket);
    EXPECT_EQ(client.Sock().LastError(), interPacket ? 0 : SocketError::kTimedOut);
  }
}

TEST(HTTPClientResponse, RefusedConnectionGives500) {
  THTTPClient client;
  int port = varelo::test::FreeTcpPort();
  EXPECT_FALSE(client.HTTPMethod("GET", "http://127.0.0.1:" + std::to_string(port) + "/x"));
  EXPECT_EQ(client.ResultCode(), 500);
  EXPECT_EQ(client.Sock().LastError(), SocketError::kConnectionRefused);
}

TEST(HTTPClientResponse, AbortFromTheMonitorStopsTheTransfer) {
  std::string body(300000, 'z');
  TScriptedServer server(TScript()
                             .WaitFor("\r\n\r\n")
                             .Send("HTTP/1.0 200 OK\r\nContent-Length: " +
                                   std::to_string(body.size()) + "\r\n\r\n" + body));
  THTTPClient client;
  int reads = 0;
  client.Sock().SetOnMonitor([&](net::TBlockingSocket*, bool writing, const void*, int32_t) {
    if (!writing && ++reads == 2)
      client.Abort();
  });
  EXPECT_FALSE(client.HTTPMethod("GET", Url(server)));
  EXPECT_EQ(client.Sock().LastError(), SocketError::kConnectionAborted);
  EXPECT_LT(client.Document().Size(), static_cast<int64_t>(body.size()));
}

// A response stream that takes at most `room` bytes, as a file on a full disk would.
class TFullStream : public net::TMemoryStream {
 public:
  explicit TFullStream(int64_t room) : room_(room) {}
  int64_t Write(const void* buffer, int64_t count) override {
    int64_t taken = std::min(count, std::max<int64_t>(0, room_ - Size()));
    return TMemoryStream::Write(buffer, taken);
  }

 private:
  int64_t room_;
};

TEST(HTTPClientResponse, BodyTheStreamCannotTakeIsAFailure) {
  const std::string body(5000, 'b');
  for (const char* framing : {"Content-Length: 5000\r\n", ""}) {
    SCOPED_TRACE(framing);
    TScriptedServer server(TScript()
                               .WaitFor("\r\n\r\n")
                               .Send(std::string("HTTP/1.0 200 OK\r\n") + framing + "\r\n" + body));
    TFullStream out(1000);
    THTTPClient client;
    client.SetOutputStream(&out);
    EXPECT_FALSE(client.HTTPMethod("GET", Url(server)));
    EXPECT_EQ(client.ResultCode(), 200);
    EXPECT_EQ(client.Sock().LastError(), SocketError::kNoBufferSpace);
    EXPECT_EQ(out.Size(), 1000);
  }
}

TEST(HTTPClientResponse, CookiesAreCollectedReplacedAndRemoved) {
  TScriptedServer server(std::vector<TScript>{
      TScript()
          .WaitFor("\r\n\r\n")
          .Send("HTTP/1.0 200 OK\r\nSet-Cookie: a=1; Path=/\r\n"
                "set-cookie: b = 2\r\nContent-Length: 0\r\n\r\n"),
      TScript()
          .WaitFor("\r\n\r\n")
          .Send("HTTP/1.0 200 OK\r\nSet-Cookie: A=\r\n"
                "Set-Cookie: b=3\r\nContent-Length: 0\r\n\r\n"),
  });
  THTTPClient client;
  ASSERT_TRUE(client.HTTPMethod("GET", Url(server)));
  EXPECT_EQ(client.Cookies(), (std::vector<std::string>{"a=1", "b=2"}));
  ASSERT_TRUE(client.HTTPMethod("GET", Url(server)));
  EXPECT_EQ(client.Cookies(), (std::vector<std::string>{"b=3"}));
  EXPECT_NE(server.Received(1).find("Cookie: a=1; b=2\r\n"), std::string::npos);
}

TEST(HTTPClientResponse, KeepAliveWithVersion11ReusesTheConnectionUntilClose) {
  const std::string first = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\none";
  const std::string second = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: close\r\n\r\ntwo";
  const std::string third = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nthree";
  // The first connection answers two requests; its second answer asks to close it.
  TScriptedServer server(std::vector<TScript>{
      TScript().WaitFor("\r\n\r\n").Send(first).WaitFor("\r\n\r\n").Send(second).HoldOpen(1000),
      TScript().WaitFor("\r\n\r\n").Send(third),
  });
  THTTPClient client;
  client.SetProtocol("1.1");
  ASSERT_TRUE(client.HTTPMethod("GET", Url(server)));
  EXPECT_EQ(client.Document().Data(), "one");
  ASSERT_TRUE(client.HTTPMethod("GET", Url(server)));
  EXPECT_EQ(client.Document().Data(), "two");
  EXPECT_EQ(server.Accepted(), 1u);
  EXPECT_EQ(client.Sock().Socket(), platform::kInvalidSocket);
  ASSERT_TRUE(client.HTTPMethod("GET", Url(server)));
  EXPECT_EQ(client.Document().Data(), "three");
  EXPECT_EQ(server.Accepted(), 2u);
}

TEST(HTTPClientResponse, KeptConnectionClosedByThePeerIsNotReused) {
  TScriptedServer server(std::vector<TScript>{
      TScript().WaitFor("\r\n\r\n").Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\none"),
      TScript().WaitFor("\r\n\r\n").Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\ntwo"),
  });
  THTTPClient client;
  client.SetProtocol("1.1");
  ASSERT_TRUE(client.HTTPMethod("GET", Url(server)));
  // Give the server time to close its end after the first answer.
  for (int i = 0; i < 100 && !client.Sock().CanRead(10); ++i) {
  }
  ASSERT_TRUE(client.HTTPMethod("GET", Url(server))) << client.Sock().LastErrorDesc();
  EXPECT_EQ(client.Document().Data(), "two");
  EXPECT_EQ(server.Accepted(), 2u);
}

}  // namespace
