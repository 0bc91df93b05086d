#pragma once
#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace varelo::test {

// What a scripted server does on one accepted connection, step by step. Reads are bounded in
// time so that a client that sends less than expected cannot hang a test.
class TScript {
 public:
  // Reads until `terminator` arrives after the point where the previous WaitFor matched.
  TScript& WaitFor(const std::string& terminator);
  // Reads until at least `count` bytes were received on this connection.
  TScript& WaitBytes(size_t count);
  // Sends the bytes in one write.
  TScript& Send(const std::string& bytes);
  // Sends the bytes in pieces cut at the given offsets, pausing between the pieces so that the
  // client sees each piece as its own packet.
  TScript& SendSplit(const std::string& bytes, const std::vector<size_t>& cuts, int pauseMs = 15);
  // Sends the bytes one at a time with a pause between each, for every possible read boundary.
  TScript& SendBytewise(const std::string& bytes, int pauseMs = 2);
  TScript& Pause(int milliseconds);
  // Keeps the connection open without sending, until the client closes or the time runs out.
  TScript& HoldOpen(int milliseconds);
  // Closes the connection now (the remaining steps are skipped). A script that ends without a
  // Close closes too.
  TScript& Close();
  // Ends the connection with a TCP reset instead of an orderly close (the remaining steps are
  // skipped): what a server that crashed or a middlebox that gave up sends.
  TScript& Reset();

  struct TStep {
    enum class TKind { WaitFor, WaitBytes, Send, Pause, HoldOpen, Close, Reset } kind;
    std::string bytes;
    size_t count = 0;
    int milliseconds = 0;
  };
  const std::vector<TStep>& Steps() const { return steps_; }

 private:
  std::vector<TStep> steps_;
};

// A TCP server on 127.0.0.1 that plays one script per accepted connection, in order, and
// records every byte each connection received. It serves on its own thread and stops after
// the last script or when the object goes away.
class TScriptedServer {
 public:
  explicit TScriptedServer(std::vector<TScript> scripts, int readTimeoutMs = 5000);
  explicit TScriptedServer(TScript script) : TScriptedServer(std::vector<TScript>{script}) {}
  ~TScriptedServer();
  TScriptedServer(const TScriptedServer&) = delete;
  TScriptedServer& operator=(const TScriptedServer&) = delete;

  int Port() const { return port_; }
  std::string Address() const { return "127.0.0.1"; }
  // Waits (bounded) until every script has run, then gives the bytes received on connection
  // `index` (empty when it was never accepted).
  std::string Received(size_t index = 0);
  // Number of connections accepted so far.
  size_t Accepted() const { return accepted_.load(); }
  // Waits for the serving thread to finish (bounded by timeoutMs); true when it finished.
  bool Finish(int timeoutMs = 10000);

 private:
  void Serve();
  void PlayScript(int fd, const TScript& script, std::string& received);

  std::vector<TScript> scripts_;
  int readTimeoutMs_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> done_{false};
  std::atomic<size_t> accepted_{0};
  std::mutex mutex_;
  std::vector<std::string> received_;
  std::thread thread_;
};

}  // namespace varelo::test
