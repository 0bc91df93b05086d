// A hostile-answer case that reaches past the client to the host's own sockets (a listener whose
// queue is full), so only the Linux build takes it.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "net/HTTPClient.h"
#include "platform/SocketError.h"

namespace {

namespace SocketError = platform::SocketError;

using net::THTTPClient;

TEST(HTTPClientHostile, ConnectToAnAddressThatDoesNotAnswerGivesUpWithinTimeout) {
  // A listening socket whose queue is full drops new connection attempts without an answer,
  // as an address that does not answer would.
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 0), 0);
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    fillers.push_back(fd);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  THTTPClient client;
  client.SetTimeout(300);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.HTTPMethod(
      "GET", "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/f"));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(client.ResultCode(), 500);
  EXPECT_EQ(client.Sock().LastError(), SocketError::kTimedOut);
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  for (int fd : fillers)
    close(fd);
  close(listener);
}

}  // namespace
