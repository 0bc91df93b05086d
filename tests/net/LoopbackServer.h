#pragma once
// Shared pieces of the socket layer's tests: sockets of both types and a one-connection server
// on the loopback address built from the layer's own Listen and Accept.
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "net/BlockingSocket.h"
#include "platform/Socket.h"

namespace net::test {

constexpr int32_t kWait = 3000;  // bound of every wait in these tests

// A TCP socket of the blocking layer; the base class leaves the type to its descendants.
class TTcpSocket : public TBlockingSocket {
 public:
  int32_t GetSocketType() override { return platform::kSockStream; }
  int32_t GetSocketProtocol() override { return platform::kIpProtoTcp; }
};

class TUdpSocket : public TBlockingSocket {
 public:
  int32_t GetSocketType() override { return platform::kSockDgram; }
  int32_t GetSocketProtocol() override { return platform::kIpProtoUdp; }
};

struct TStatusEntry {
  THookSocketReason reason;
  std::string value;
};

// Records every status report of a socket.
class TStatusLog {
 public:
  void Attach(TBlockingSocket& socket) {
    socket.SetOnStatus([this](TBlockingSocket*, THookSocketReason reason, const std::string& v) {
      entries.push_back({reason, v});
    });
  }
  std::vector<THookSocketReason> Reasons() const {
    std::vector<THookSocketReason> result;
    for (const auto& e : entries) {
      result.push_back(e.reason);
    }
    return result;
  }
  std::vector<TStatusEntry> entries;
};

// A server on 127.0.0.1 (or ::1) built from the layer's own Listen and Accept. It accepts one
// connection and hands it to `script` on its own thread.
class TLoopbackServer {
 public:
  explicit TLoopbackServer(std::function<void(TTcpSocket&)> script,
                           const std::string& ip = "127.0.0.1")
      : script_(std::move(script)) {
    listener_.Bind(ip, "0");
    listener_.Listen();
    port_ = std::to_string(listener_.GetLocalSinPort());
    thread_ = std::thread([this] {
      if (!listener_.CanRead(kWait)) {
        return;
      }
      TTcpSocket peer;
      peer.SetSocket(listener_.Accept());
      script_(peer);
      peer.CloseSocket();
    });
  }
  ~TLoopbackServer() { Join(); }
  void Join() {
    if (thread_.joinable()) {
      thread_.join();
    }
  }
  const std::string& Port() const { return port_; }
  TTcpSocket& Listener() { return listener_; }

 private:
  std::function<void(TTcpSocket&)> script_;
  TTcpSocket listener_;
  std::string port_;
  std::thread thread_;
};

inline void Pause(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Sends each piece as its own packet.
inline void SendPieces(TTcpSocket& peer, const std::vector<std::string>& pieces) {
  for (const std::string& piece : pieces) {
    peer.SendString(piece);
    Pause(40);
  }
}

}  // namespace net::test
