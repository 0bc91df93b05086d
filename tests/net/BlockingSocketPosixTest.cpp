// Socket layer cases that reach past it to the host's own calls (descriptor numbers and limits),
// so only the Linux build takes them.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

#include "tests/net/LoopbackServer.h"

using namespace net;
using namespace net::test;

TEST(BlockingSocket, SocketNumberedPast1024Works) {
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
  if (limit.rlim_cur < 2048) {
    rlimit raised = limit;
    raised.rlim_cur = std::min<rlim_t>(4096, limit.rlim_max);
    if (setrlimit(RLIMIT_NOFILE, &raised) != 0 || raised.rlim_cur < 2048) {
      GTEST_SKIP() << "cannot raise the open file limit";
    }
  }
  // The server answers only once asked, so "nothing to read yet" holds however slow the
  // machine is.
  TLoopbackServer server([](TTcpSocket& peer) {
    if (peer.RecvString(kWait) == "go")
      peer.SendString("late\r\n");
    Pause(100);
  });
  TTcpSocket first;
  first.Connect("127.0.0.1", server.Port());
  ASSERT_EQ(first.LastError(), 0);
  constexpr int kHighNumber = 1500;
  ASSERT_EQ(dup2(static_cast<int>(first.Socket()), kHighNumber), kHighNumber);
  TTcpSocket high;
  high.SetSocket(kHighNumber);
  EXPECT_FALSE(high.CanRead(0));
  high.SendString("go\r\n");
  EXPECT_TRUE(high.CanRead(kWait));
  EXPECT_EQ(high.RecvString(kWait), "late");
  high.CloseSocket();
  setrlimit(RLIMIT_NOFILE, &limit);
}
