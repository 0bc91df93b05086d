// Broken and hostile answers: none of them may turn into a success that a download would
// finish a file on. One table row per fault, each reply also split at every byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "net/HTTPClient.h"
#include "net/ProtoTicks.h"
#include "platform/SocketError.h"
#include "tests/support/ScriptedServer.h"

namespace {

namespace SocketError = platform::SocketError;

using net::THTTPClient;
using varelo::test::TScript;
using varelo::test::TScriptedServer;

const std::string kSecondAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nsecond";

struct THostileCase {
  const char* name;
  std::string reply;
  bool result;
  int code;
  int error;         // the socket's LastError after the call
  std::string body;  // the response stream's bytes
  bool complete;     // BodyComplete, also as seen at the last close report
  // With protocol "1.1" a second request follows on the same client: whether it went over the
  // first connection, and in every case it must get the second answer intact.
  bool second = false;
  bool reused = false;
  std::string path = "/f";
  std::string requestHas = "";  // a text the request must hold
  bool connects = true;         // false: nothing may be sent at all
  bool reset = false;           // the server ends the connection with a TCP reset
};

// The same row, with the connection ended by a reset instead of an orderly close.
THostileCase EndedByReset(THostileCase c) {
  c.reset = true;
  return c;
}

std::string Url(const TScriptedServer& server, const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
}

std::vector<THostileCase> HostileTable() {
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n";
  const int framing = net::kErrorBodyFraming;
  const int refused = net::kErrorResponseRefused;
  return {
      {"1: chunk size ILLEGAL", chunked + "ILLEGAL\r\nmore\r\n0\r\n\r\n", false, 200, framing,
       "abc", false},
      {"1: chunk size zz", chunked + "zz\r\nmore\r\n0\r\n\r\n", false, 200, framing, "abc", false},
      {"1: chunk size 0x10", chunked + "0x10\r\n0123456789abcdef\r\n0\r\n\r\n", false, 200, framing,
       "abc", false},
      {"1: chunk size beyond 63 bits", chunked + "12345678123456789\r\nxyz\r\n0\r\n\r\n", false,
       200, framing, "abc", false},
      {"2: sized body cut short", "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nshort", false, 200,
       SocketError::kConnectionReset, "short", false},
      {"2: chunked body without its last chunk", chunked, false, 200, SocketError::kConnectionReset,
       "abc", false},
      {"2: a chunk cut short", chunked + "8\r\nabcd", false, 200, SocketError::kConnectionReset,
       "abcabcd", false},
      {"3: trailer lines are read off the kept connection",
       chunked + "0\r\nX-Checksum: 12\r\nX-More: 3\r\n\r\n", true, 200, 0, "abc", true, true, true},
      {"4: two different lengths",
       "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 7\r\n\r\nabcdefg", false, 200,
       refused, "", false, true, false},
      {"4: a negative length", "HTTP/1.0 200 OK\r\nContent-Length: -1\r\n\r\nabc", false, 200,
       refused, "", false},
      {"4: a length that is not a number", "HTTP/1.0 200 OK\r\nContent-Length: 3x\r\n\r\nabc",
       false, 200, refused, "", false},
      {"4: equal duplicate lengths are accepted",
       "HTTP/1.0 200 OK\r\nContent-Length: 3\r\nContent-Length: 3\r\n\r\nabc", true, 200, 0, "abc",
       true},
      {"4: chunked still wins over a length",
       "HTTP/1.0 200 OK\r\nContent-Length: 99\r\nTransfer-Encoding: chunked\r\n\r\n"
       "3\r\nabc\r\n0\r\n\r\n",
       true, 200, 0, "abc", true},
      {"5: interim answers with header lines are skipped",
       "HTTP/1.1 102 Processing\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </s.css>\r\n"
       "Content-Length: 50\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
       true, 200, 0, "ok", true},
      {"5: a close after an interim answer fails",
       "HTTP/1.1 103 Early Hints\r\nLink: </s.css>\r\n\r\n", false, 103,
       SocketError::kConnectionReset, "", false},
      {"5: no final status line after an interim answer",
       "HTTP/1.1 100 Continue\r\n\r\nnot a status line\r\nmore", false, 100, refused, "", false},
      {"6: white space before the first header line",
       "HTTP/1.0 200 OK\r\n Content-Length: 2\r\nX-A: 1\r\n\r\nok and more", false, 200, refused,
       "", false},
      {"7: bare LF headers, a sized body that starts with CR",
       "HTTP/1.0 200 OK\nContent-Length: 3\n\n\rab", true, 200, 0, "\rab", true},
      {"7: bare LF headers, a chunk that starts with CR",
       "HTTP/1.0 200 OK\nTransfer-Encoding: chunked\n\n3\n\rab\n2\n\r\r\n0\n\n", true, 200, 0,
       "\rab\r\r", true},
      {"7: an answer without status line keeps its bytes", "first line\nsecond\r\nthird\rend\n",
       true, 0, 0, "first line\nsecond\r\nthird\rend\n", true},
      {"8: a stray body after 204 is not taken for the next answer",
       "HTTP/1.1 204 No Content\r\n\r\nstray bytes", true, 204, 0, "", true, true, false},
      {"8: a kept connection serves the next answer",
       "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\none", true, 200, 0, "one", true, true, true},
      {"12: spaces in the URL are percent-encoded",
       "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", true, 200, 0, "ok", true, false, false,
       "/a b/c d", "GET /a%20b/c%20d HTTP/1.0\r\n"},
      {"12: a control character in the URL fails before anything is sent", "", false, 500,
       SocketError::kInvalidArgument, "", false, false, false, "/a\x01z", "", false},
      {"13: a body to the close ends with the orderly close", "HTTP/1.0 200 OK\r\n\r\nwhole", true,
       200, 0, "whole", true},
  };
}

// Answers the server ends with a TCP reset: the reset is no end of any body.
std::vector<THostileCase> ResetTable() {
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n";
  return {
      EndedByReset({"13: a body to the close cut by a reset", "HTTP/1.0 200 OK\r\n\r\nhalf", false,
                    200, SocketError::kConnectionReset, "half", false}),
      EndedByReset({"13: a sized body cut by a reset",
                    "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nhalf", false, 200,
                    SocketError::kConnectionReset, "half", false}),
      EndedByReset({"13: a chunked body cut by a reset", chunked, false, 200,
                    SocketError::kConnectionReset, "abc", false}),
      EndedByReset({"13: a header block cut by a reset", "HTTP/1.0 200 OK\r\nContent-Le", false,
                    200, SocketError::kConnectionReset, "", false}),
  };
}

// Plays one row with the reply cut at `cut` (0 = in one piece).
void PlayRow(const THostileCase& c, size_t cut) {
  TScript first = TScript().WaitFor("\r\n\r\n");
  if (cut == 0)
    first.Send(c.reply);
  else
    first.SendSplit(c.reply, {cut}, 5);
  // The reset follows the bytes once they are on their way, so it cuts the answer after them.
  if (c.reset)
    first.Pause(20).Reset();
  std::vector<TScript> scripts;
  if (c.second) {
    first.WaitFor("\r\n\r\n").Send(kSecondAnswer).HoldOpen(3000);
    scripts = {first, TScript().WaitFor("\r\n\r\n").Send(kSecondAnswer)};
  } else {
    scripts = {first};
  }
  TScriptedServer server(scripts);
  THTTPClient client;
  client.SetTimeout(3000);
  if (c.second)
    client.SetProtocol("1.1");
  bool sawClose = false;
  bool completeAtClose = true;
  client.Sock().SetOnStatus(
      [&](net::TBlockingSocket*, net::THookSocketReason reason, const std::string&) {
        if (reason == net::HR_SocketClose) {
          sawClose = true;
          completeAtClose = client.BodyComplete();
        }
      });
  const bool result = client.HTTPMethod("GET", Url(server, c.path));
  EXPECT_EQ(result, c.result);
  EXPECT_EQ(client.ResultCode(), c.code);
  EXPECT_EQ(client.Sock().LastError(), c.error) << client.Sock().LastErrorDesc();
  EXPECT_EQ(client.Document().Data(), c.body);
  EXPECT_EQ(client.BodyComplete(), c.complete);
  // A close report that came for this response saw the final value already.
  if (sawClose && client.Sock().Socket() == platform::kInvalidSocket) {
    EXPECT_EQ(completeAtClose, c.complete);
  }
  if (!c.connects) {
    EXPECT_EQ(server.Accepted(), 0u);
    return;
  }
  if (c.second) {
    // Let every piece of the first answer arrive before the next request is made: where
    // bytes are left over, wait (bounded) until they are there, however loaded the machine.
    if (!c.reused && client.Sock().Socket() != platform::kInvalidSocket &&
        client.Sock().LineBuffer().empty())
      client.Sock().CanRead(2000);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_TRUE(client.HTTPMethod("GET", Url(server, "/g"))) << client.Sock().LastErrorDesc();
    EXPECT_EQ(client.ResultCode(), 200);
    EXPECT_EQ(client.Document().Data(), "second");
    EXPECT_TRUE(client.BodyComplete());
    EXPECT_EQ(server.Accepted(), c.reused ? 1u : 2u);
  }
  if (!c.requestHas.empty()) {
    EXPECT_NE(server.Received().find(c.requestHas), std::string::npos) << server.Received();
  }
}

TEST(HTTPClientHostile, EveryBrokenAnswerGivesItsOutcome) {
  for (const auto& c : HostileTable()) {
    SCOPED_TRACE(c.name);
    PlayRow(c, 0);
  }
}

TEST(HTTPClientHostile, EveryBrokenAnswerSplitAtEveryByteGivesTheSameOutcome) {
  for (const auto& c : HostileTable()) {
    for (size_t cut = 1; cut < c.reply.size(); ++cut) {
      SCOPED_TRACE(std::string(c.name) + ", cut at " + std::to_string(cut));
      PlayRow(c, cut);
      if (::testing::Test::HasFailure())
        return;
    }
  }
}

TEST(HTTPClientHostile, AnswersCutByAResetAreIncomplete) {
  for (const auto& c : ResetTable()) {
    SCOPED_TRACE(c.name);
    PlayRow(c, 0);
    for (size_t cut = 1; cut < c.reply.size(); ++cut) {
      SCOPED_TRACE("cut at " + std::to_string(cut));
      PlayRow(c, cut);
      if (::testing::Test::HasFailure())
        return;
    }
  }
}

}  // namespace

namespace {

TEST(HTTPClientHostile, TimeoutInTheMiddleOfTheBodyIsIncomplete) {
  TScriptedServer server(TScript()
                             .WaitFor("\r\n\r\n")
                             .Send("HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nhello")
                             .HoldOpen(1500));
  THTTPClient client;
  client.SetTimeout(200);
  bool completeAtClose = true;
  client.Sock().SetOnStatus(
      [&](net::TBlockingSocket*, net::THookSocketReason reason, const std::string&) {
        if (reason == net::HR_SocketClose)
          completeAtClose = client.BodyComplete();
      });
  EXPECT_FALSE(client.HTTPMethod("GET", Url(server, "/f")));
  EXPECT_EQ(client.ResultCode(), 200);
  EXPECT_EQ(client.Sock().LastError(), SocketError::kTimedOut);
  EXPECT_FALSE(client.BodyComplete());
  EXPECT_FALSE(completeAtClose);
  EXPECT_EQ(client.Document().Data(), "hello");
}

TEST(HTTPClientHostile, EachPacketReachesTheDocumentAsItArrives) {
  // A download writes its partial file from the document one receive behind: at every
  // receive, the document must already hold everything received before it.
  std::string body(200000, 'p');
  const std::string reply = "HTTP/1.0 200 OK\r\nContent-Length: 200000\r\n\r\n" + body;
  for (const char* framing : {"sized", "to the close"}) {
    SCOPED_TRACE(framing);
    std::string sent = std::string(framing) == "sized" ? reply : "HTTP/1.0 200 OK\r\n\r\n" + body;
    std::vector<size_t> cuts;
    for (size_t cut = sent.size() - body.size() + 1000; cut < sent.size(); cut += 20000)
      cuts.push_back(cut);
    TScriptedServer server(TScript().WaitFor("\r\n\r\n").SendSplit(sent, cuts, 10));
    THTTPClient client;
    int64_t received = 0;
    int64_t behind = 0;
    client.Sock().SetOnMonitor([&](net::TBlockingSocket*, bool writing, const void*, int32_t len) {
      if (writing)
        return;
      behind = std::max(behind, received - client.Document().Size());
      received += len;
    });
    ASSERT_TRUE(client.HTTPMethod("GET", Url(server, "/f")));
    EXPECT_EQ(client.Document().Data(), body);
    // Only the header bytes of the first packets are received but not in the document.
    EXPECT_LE(behind, static_cast<int64_t>(sent.size() - body.size()));
  }
}

TEST(HTTPClientHostile, TheDrainAtCloseIsBounded) {
  // After its answer the server keeps sending; the close reads what is waiting up to the
  // drain limit and lets go instead of reading for as long as the server likes.
  const std::string answer = "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok";
  TScriptedServer server(
      TScript().WaitFor("\r\n\r\n").Send(answer + std::string(64 * 1024 * 1024, 'x')));
  THTTPClient client;
  ASSERT_TRUE(client.HTTPMethod("GET", Url(server, "/f")));
  EXPECT_EQ(client.Document().Data(), "ok");
  EXPECT_LT(client.Sock().RecvCounter(), 4 * net::kMaxCloseDrainBytes);
}

TEST(HTTPClientHostile, SendThatCannotProgressGivesUpWithinTimeout) {
  // The server accepts and never reads: the request body fills every buffer on the way.
  TScriptedServer server(TScript().Pause(2000));
  THTTPClient client;
  client.SetTimeout(300);
  client.Document().SetData(std::string(64 * 1024 * 1024, 'u'));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.HTTPMethod("POST", Url(server, "/f")));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(client.ResultCode(), 500);
  EXPECT_EQ(client.Sock().LastError(), SocketError::kTimedOut);
  EXPECT_LT(elapsed, std::chrono::seconds(3));
}

TEST(HTTPClientHostile, ManyCookiesAreCollectedInLinearTimeAndBounded) {
  // About 40,000 Set-Cookie lines fit in the header limit; each distinct.
  std::string reply = "HTTP/1.0 200 OK\r\n";
  const int count = 40000;
  for (int i = 0; i < count; ++i)
    reply += "Set-Cookie: c" + std::to_string(i) + "=v\r\n";
  reply += "Set-Cookie: c39999=last; Path=/\r\nSet-Cookie: C39998=\r\nContent-Length: 0\r\n\r\n";
  TScriptedServer server(TScript().WaitFor("\r\n\r\n").Send(reply));
  THTTPClient client;
  client.Cookies() = {"keep=1"};
  ASSERT_TRUE(client.HTTPMethod("GET", Url(server, "/f")));
  const auto& cookies = client.Cookies();
  // The oldest are dropped (the caller's own first), replacement keeps the place, an empty
  // value removes.
  ASSERT_EQ(cookies.size(), static_cast<size_t>(net::kMaxCookies) - 1);
  EXPECT_EQ(cookies.front(), "c" + std::to_string(count - net::kMaxCookies) + "=v");
  EXPECT_EQ(cookies[cookies.size() - 2], "c39997=v");
  EXPECT_EQ(cookies.back(), "c39999=last");
}

TEST(HTTPClientHostile, MaxLineLengthIsRestoredWhenTheReadRaises) {
  TScriptedServer server(TScript().WaitFor("\r\n\r\n").Send("HTTP/1.0 200 OK\r\nX-Cut"));
  THTTPClient client;
  client.Sock().SetRaiseExcept(true);
  EXPECT_THROW(client.HTTPMethod("GET", Url(server, "/f")), net::ETramaError);
  EXPECT_EQ(client.Sock().MaxLineLength(), 0);
  client.Sock().SetRaiseExcept(false);
}

}  // namespace

namespace {

// A server that trickles its answer, a byte at a time well within the timeout, must not hold
// a request for longer than its bound: the header block within Timeout, the body at a least
// pace (kMinProgressBytes within every Timeout). Each would run for seconds otherwise.
TEST(HTTPClientHostile, TrickledAnswersEndWithinTheirBound) {
  struct TCase {
    const char* name;
    std::string head;     // sent at once
    std::string trickle;  // sent a byte every 100 ms
  };
  const std::string headers = "HTTP/1.0 200 OK\r\nContent-Length: 2\r\nX-Pad: ";
  const std::vector<TCase> cases = {
      {"header block", "", headers + std::string(60, 'p') + "\r\n\r\nok"},
      {"one header line", headers, std::string(60, 'p') + "\r\n\r\nok"},
      {"body to the close", "HTTP/1.0 200 OK\r\n\r\n", std::string(60, 'b')},
      {"sized body", "HTTP/1.0 200 OK\r\nContent-Length: 60\r\n\r\n", std::string(60, 'b')},
      {"chunked body", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3c\r\n",
       std::string(60, 'b')},
      {"chunk size lines", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
       std::string(60, '0') + "1\r\nx\r\n0\r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TScript script = TScript().WaitFor("\r\n\r\n");
    if (!c.head.empty())
      script.Send(c.head);
    script.SendBytewise(c.trickle, 100);
    TScriptedServer server(std::vector<TScript>{script}, 10000);
    THTTPClient client;
    client.SetTimeout(1000);
    const uint32_t start = net::TickNow();
    EXPECT_FALSE(client.HTTPMethod("GET", Url(server, "/f")));
    const uint32_t ms = net::TickSpan(start, net::TickNow());
    EXPECT_EQ(client.Sock().LastError(), SocketError::kTimedOut) << client.Sock().LastErrorDesc();
    EXPECT_FALSE(client.BodyComplete());
    EXPECT_GE(ms, 900u);
    EXPECT_LT(ms, 2500u);
  }
}

}  // namespace
