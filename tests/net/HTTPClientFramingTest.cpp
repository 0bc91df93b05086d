#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/HTTPClient.h"
#include "tests/support/ScriptedServer.h"

namespace {

using net::THTTPClient;
using varelo::test::TScript;
using varelo::test::TScriptedServer;

std::string Url(const TScriptedServer& server) {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + "/f";
}

// What a download sees: BodyComplete read at the last close report of the request.
struct TCloseWatch {
  int closes = 0;
  bool completeAtClose = false;
  void Attach(THTTPClient& client) {
    client.Sock().SetOnStatus(
        [this, &client](net::TBlockingSocket*, net::THookSocketReason reason, const std::string&) {
          if (reason == net::HR_SocketClose) {
            ++closes;
            completeAtClose = client.BodyComplete();
          }
        });
  }
};

struct TCompleteCase {
  const char* name;
  std::string reply;
  bool complete;
  int error;
  std::string method = "GET";
};

TEST(HTTPClientFraming, BodyCompleteIsSettledAtTheCloseReport) {
  const std::vector<TCompleteCase> cases = {
      {"sized body", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello", true, 0},
      {"sized body cut short", "HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nhello", false, 10054},
      {"body to the close", "HTTP/1.0 200 OK\r\n\r\nhello", true, 0},
      {"chunked body",
       "HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", true, 0},
      {"chunked body without its last chunk",
       "HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n", false, 10054},
      {"chunk size that is not a number",
       "HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\nzz\r\nmore", false,
       net::kErrorBodyFraming},
      {"no body: 204", "HTTP/1.0 204 No Content\r\n\r\n", true, 0},
      {"no body: HEAD", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n", true, 0, "HEAD"},
      {"length 0", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptedServer server(TScript().WaitFor("\r\n\r\n").Send(c.reply));
    THTTPClient client;
    client.SetTimeout(3000);
    TCloseWatch watch;
    watch.Attach(client);
    client.HTTPMethod(c.method, Url(server));
    EXPECT_EQ(client.BodyComplete(), c.complete);
    EXPECT_EQ(watch.completeAtClose, c.complete);
    EXPECT_EQ(client.Sock().LastError(), c.error);
  }
}

TEST(HTTPClientFraming, TimeoutInTheMiddleOfTheBodyIsIncomplete) {
  TScriptedServer server(TScript()
                             .WaitFor("\r\n\r\n")
                             .Send("HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nhello")
                             .HoldOpen(1500));
  THTTPClient client;
  client.SetTimeout(200);
  TCloseWatch watch;
  watch.Attach(client);
  EXPECT_FALSE(client.HTTPMethod("GET", Url(server)));
  EXPECT_EQ(client.Sock().LastError(), 10060);
  EXPECT_FALSE(watch.completeAtClose);
  EXPECT_EQ(client.Document().Data(), "hello");
}

}  // namespace
