#include "tests/support/ScriptedServer.h"

#ifdef _WIN32
// The Windows build's tests: the same server on Windows Sockets, linked directly (the code
// under test binds the library by name on its own).
#include <winsock2.h>
#include <ws2tcpip.h>
namespace {
using socklen_t = int;
constexpr int MSG_NOSIGNAL = 0;
constexpr int MSG_DONTWAIT = 0;
constexpr int SOCK_CLOEXEC = 0;
constexpr int SHUT_WR = SD_SEND;
int poll(pollfd* fds, unsigned long count, int timeoutMs) {
  return WSAPoll(fds, count, timeoutMs);
}
int close(int fd) {
  return closesocket(static_cast<SOCKET>(fd));
}
// Sends never block: the socket is switched to non-blocking mode when it is accepted.
int accept4(int fd, sockaddr* address, socklen_t* length, int) {
  const SOCKET s = accept(static_cast<SOCKET>(fd), address, length);
  if (s == INVALID_SOCKET)
    return -1;
  u_long on = 1;
  ioctlsocket(s, FIONBIO, &on);
  return static_cast<int>(s);
}
// The library's start-up is counted: each server takes one for its lifetime.
struct TWinsockUse {
  TWinsockUse() {
    WSADATA data;
    WSAStartup(0x0202, &data);
  }
  ~TWinsockUse() { WSACleanup(); }
};
}  // namespace
#undef EAGAIN
#undef EWOULDBLOCK
#define EAGAIN WSAEWOULDBLOCK
#define EWOULDBLOCK WSAEWOULDBLOCK
#undef errno
#define errno WSAGetLastError()
#define setsockopt(fd, level, name, value, length) \
  setsockopt(fd, level, name, reinterpret_cast<const char*>(value), length)
#define recv(fd, buffer, size, flags) recv(fd, buffer, static_cast<int>(size), flags)
#define send(fd, buffer, size, flags) send(fd, buffer, static_cast<int>(size), flags)
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstring>

namespace varelo::test {
namespace {

using TClock = std::chrono::steady_clock;

constexpr int kPollSliceMs = 50;
constexpr int kDrainAfterCloseMs = 300;

int MillisecondsLeft(TClock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// A poll entry for one descriptor; the field is a SOCKET on Windows, an int elsewhere.
pollfd PollFor(int fd, short events) {
  pollfd p{};
  p.fd = static_cast<decltype(p.fd)>(fd);
  p.events = events;
  return p;
}

// Reads what is there within `timeoutMs`. Returns the count, 0 when the peer closed, -1 on
// error, and -2 when nothing came in time.
int ReadSome(int fd, std::string& into, int timeoutMs) {
  pollfd p = PollFor(fd, POLLIN);
  int ready = poll(&p, 1, timeoutMs);
  if (ready == 0)
    return -2;
  if (ready < 0)
    return -1;
  char buffer[65536];
  ssize_t n = recv(fd, buffer, sizeof buffer, 0);
  if (n > 0)
    into.append(buffer, static_cast<size_t>(n));
  return static_cast<int>(n);
}

// Sends everything unless the client stops reading for `timeoutMs` or the server is stopping;
// a client that gave up must not leave the serving thread blocked in a send.
bool SendAll(int fd, const char* data, size_t size, int timeoutMs,
             const std::atomic<bool>& stopping) {
  auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
  while (size > 0 && !stopping) {
    pollfd p = PollFor(fd, POLLOUT);
    if (poll(&p, 1, kPollSliceMs) <= 0) {
      if (MillisecondsLeft(deadline) == 0)
        return false;
      continue;
    }
    ssize_t n = send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
      continue;
    if (n <= 0)
      return false;
    data += n;
    size -= static_cast<size_t>(n);
    deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
  }
  return size == 0;
}

void SleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

TScript& TScript::WaitFor(const std::string& terminator) {
  steps_.push_back({TStep::TKind::WaitFor, terminator, 0, 0});
  return *this;
}

TScript& TScript::WaitBytes(size_t count) {
  steps_.push_back({TStep::TKind::WaitBytes, {}, count, 0});
  return *this;
}

TScript& TScript::Send(const std::string& bytes) {
  steps_.push_back({TStep::TKind::Send, bytes, 0, 0});
  return *this;
}

TScript& TScript::SendSplit(const std::string& bytes, const std::vector<size_t>& cuts,
                            int pauseMs) {
  size_t from = 0;
  for (size_t cut : cuts) {
    if (cut <= from || cut >= bytes.size())
      continue;
    Send(bytes.substr(from, cut - from));
    Pause(pauseMs);
    from = cut;
  }
  return Send(bytes.substr(from));
}

TScript& TScript::SendBytewise(const std::string& bytes, int pauseMs) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    Send(bytes.substr(i, 1));
    if (i + 1 < bytes.size())
      Pause(pauseMs);
  }
  return *this;
}

TScript& TScript::Pause(int milliseconds) {
  steps_.push_back({TStep::TKind::Pause, {}, 0, milliseconds});
  return *this;
}

TScript& TScript::HoldOpen(int milliseconds) {
  steps_.push_back({TStep::TKind::HoldOpen, {}, 0, milliseconds});
  return *this;
}

TScript& TScript::Close() {
  steps_.push_back({TStep::TKind::Close, {}, 0, 0});
  return *this;
}

TScript& TScript::Reset() {
  steps_.push_back({TStep::TKind::Reset, {}, 0, 0});
  return *this;
}

TScriptedServer::TScriptedServer(std::vector<TScript> scripts, int readTimeoutMs)
    : scripts_(std::move(scripts)), readTimeoutMs_(readTimeoutMs) {
#ifdef _WIN32
  static TWinsockUse winsock;
#endif
  received_.resize(scripts_.size());
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listenFd_, 16) != 0) {
    close(listenFd_);
    listenFd_ = -1;
    done_ = true;
    return;
  }
  socklen_t length = sizeof address;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

TScriptedServer::~TScriptedServer() {
  stopping_ = true;
  if (thread_.joinable())
    thread_.join();
  if (listenFd_ >= 0)
    close(listenFd_);
}

bool TScriptedServer::Finish(int timeoutMs) {
  auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done_ && TClock::now() < deadline)
    SleepMs(5);
  return done_;
}

std::string TScriptedServer::Received(size_t index) {
  Finish();
  std::lock_guard<std::mutex> lock(mutex_);
  return index < received_.size() ? received_[index] : std::string();
}

void TScriptedServer::Serve() {
  for (size_t i = 0; i < scripts_.size() && !stopping_; ++i) {
    int fd = -1;
    while (fd < 0 && !stopping_) {
      pollfd p = PollFor(listenFd_, POLLIN);
      if (poll(&p, 1, kPollSliceMs) > 0)
        fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    }
    if (fd < 0)
      break;
    ++accepted_;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::string received;
    PlayScript(fd, scripts_[i], received);
    std::lock_guard<std::mutex> lock(mutex_);
    received_[i] = std::move(received);
  }
  done_ = true;
}

void TScriptedServer::PlayScript(int fd, const TScript& script, std::string& received) {
  bool peerClosed = false;
  // Each WaitFor looks for its terminator after the one the previous WaitFor matched, so a
  // script can wait for several requests on one connection.
  size_t matchedUpTo = 0;
  // Reads until `satisfied` holds, the peer closes, or the read time runs out.
  auto readUntil = [&](auto satisfied, int timeoutMs) {
    auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
    while (!satisfied() && !peerClosed && !stopping_) {
      int left = MillisecondsLeft(deadline);
      if (left == 0)
        return;
      std::string chunk;
      int n = ReadSome(fd, chunk, left < kPollSliceMs ? left : kPollSliceMs);
      if (n == 0 || n == -1)
        peerClosed = true;
      std::lock_guard<std::mutex> lock(mutex_);
      received += chunk;
    }
  };
  for (const auto& step : script.Steps()) {
    if (stopping_)
      break;
    using K = TScript::TStep::TKind;
    if (step.kind == K::Close)
      break;
    if (step.kind == K::Reset) {
      // A linger time of zero makes the close send a reset rather than a FIN.
      linger hardClose{};
      hardClose.l_onoff = 1;
      hardClose.l_linger = 0;
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &hardClose, sizeof hardClose);
      close(fd);
      return;
    }
    if (step.kind == K::WaitFor) {
      size_t at = std::string::npos;
      readUntil(
          [&] {
            at = received.find(step.bytes, matchedUpTo);
            return at != std::string::npos;
          },
          readTimeoutMs_);
      if (at != std::string::npos)
        matchedUpTo = at + step.bytes.size();
    } else if (step.kind == K::WaitBytes) {
      readUntil([&] { return received.size() >= step.count; }, readTimeoutMs_);
    } else if (step.kind == K::Send) {
      SendAll(fd, step.bytes.data(), step.bytes.size(), readTimeoutMs_, stopping_);
    } else if (step.kind == K::Pause) {
      SleepMs(step.milliseconds);
    } else if (step.kind == K::HoldOpen) {
      readUntil([] { return false; }, step.milliseconds);
    }
  }
  // Half-close first and read what the client still sends, so that closing with unread bytes
  // does not turn our orderly end into a reset that the client would see instead.
  shutdown(fd, SHUT_WR);
  readUntil([] { return false; }, kDrainAfterCloseMs);
  close(fd);
}

}  // namespace varelo::test
