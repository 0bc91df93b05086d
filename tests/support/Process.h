#pragma once
#include <string>
#include <vector>

namespace varelo::test {

// A real server or tool started by a test, stopped (SIGTERM, then SIGKILL) when the object
// goes away. Output goes to the given log file so a failing test can show it.
class TProcess {
 public:
  TProcess() = default;
  TProcess(const std::vector<std::string>& argv, const std::string& logPath = "/dev/null");
  ~TProcess();
  TProcess(TProcess&& other) noexcept;
  TProcess& operator=(TProcess&& other) noexcept;
  TProcess(const TProcess&) = delete;
  TProcess& operator=(const TProcess&) = delete;

  int Pid() const { return pid_; }
  bool Running();
  void Stop();
  // Waits for the process to end by itself, at most timeoutMs; returns its exit code or -1.
  int Wait(int timeoutMs);

 private:
  int pid_ = -1;
};

// Runs a command to its end (bounded by timeoutMs) and returns its exit code; output into *out.
int RunCommand(const std::vector<std::string>& argv, std::string* out = nullptr,
               int timeoutMs = 60000);

// A TCP port on 127.0.0.1 that nothing listens on right now.
int FreeTcpPort();

// Waits until something accepts connections on 127.0.0.1:port (bounded by timeoutMs).
bool WaitForPort(int port, int timeoutMs = 10000);

// True when the named program is on PATH (peer tests skip with a clear message otherwise).
bool HaveProgram(const std::string& name);

}  // namespace varelo::test
