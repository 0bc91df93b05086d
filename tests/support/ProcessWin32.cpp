// The Windows build's tests start the Linux peers and tools through Wine, which runs a host
// program handed to CreateProcess. Each one runs under /bin/sh, which records its pid and exit
// code in files beside its log so that it can be stopped and waited for from this side.
#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2.h before windows.h, which would otherwise bring the old sockets header in.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

#include "tests/support/Process.h"

namespace varelo::test {
namespace {

struct TChild {
  std::string stateBase;  // <base>.pid and <base>.exit
};

std::mutex gChildrenLock;
std::map<int, TChild> gChildren;
int gNextId = 1;

std::string Quote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

// The shell line is UTF-8 (names such as "ação/ü.txt"); Wine hands it on in the host's UTF-8.
std::wstring Wide(const std::string& text) {
  if (text.empty())
    return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// One argument of a Windows command line, quoted so that it arrives whole and unchanged: a
// double quote inside is written \" and the backslashes before a quote (or the closing one)
// are doubled, as the command line's parser undoes it.
std::wstring QuoteArgument(const std::wstring& arg) {
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      out.append(2 * backslashes + 1, L'\\');
    } else {
      out.append(backslashes, L'\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, L'\\');
  return out + L"\"";
}

// Names this test program's state files in the host's /tmp. Process ids are only unique within
// one Wine server: programs of other prefixes (another build folder) run with the same small
// ids at the same time, so a random part keeps their files apart.
const std::string& ProgramTag() {
  static const std::string tag = [] {
    std::random_device random;
    char text[40];
    std::snprintf(text, sizeof text, "%lu-%08x%08x",
                  static_cast<unsigned long>(GetCurrentProcessId()), random(), random());
    return std::string(text);
  }();
  return tag;
}

std::string ReadSmall(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs a shell line on the host. Wine starts a host program without giving a process handle
// for it, so success is all there is to know; the shell's state files tell the rest.
bool StartShell(const std::string& line) {
  std::wstring command = L"/bin/sh -c " + QuoteArgument(Wide(line));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info))
    return false;
  for (HANDLE h : {info.hThread, info.hProcess}) {
    if (h != nullptr && h != INVALID_HANDLE_VALUE)
      CloseHandle(h);
  }
  return true;
}

std::string ShellWords(const std::vector<std::string>& argv) {
  std::string words;
  for (const auto& a : argv)
    words += (words.empty() ? "" : " ") + Quote(a);
  return words;
}

}  // namespace

TProcess::TProcess(const std::vector<std::string>& argv, const std::string& logPath) {
  std::lock_guard<std::mutex> lock(gChildrenLock);
  const int id = gNextId++;
  const std::string base = "/tmp/varelo-proc-" + ProgramTag() + "-" + std::to_string(id);
  // The words are single-quoted for the shell; the whole line is quoted for Wine's command line.
  const std::string line = ShellWords(argv) + " </dev/null >>" + Quote(logPath) +
                           " 2>&1 & echo $! >" + base + ".pid; wait $!; echo $? >" + base + ".exit";
  std::error_code ec;
  std::filesystem::remove(base + ".pid", ec);
  std::filesystem::remove(base + ".exit", ec);
  if (!StartShell(line))
    return;
  gChildren[id] = TChild{base};
  pid_ = id;
}

TProcess::~TProcess() {
  Stop();
}

TProcess::TProcess(TProcess&& other) noexcept : pid_(other.pid_) {
  other.pid_ = -1;
}

TProcess& TProcess::operator=(TProcess&& other) noexcept {
  if (this != &other) {
    Stop();
    pid_ = other.pid_;
    other.pid_ = -1;
  }
  return *this;
}

namespace {

// The child's exit code once it ended, or -2 while it runs.
int ExitCodeOf(const TChild& child) {
  const std::string text = ReadSmall(child.stateBase + ".exit");
  if (text.empty())
    return -2;
  return std::atoi(text.c_str());
}

void Forget(int id) {
  std::lock_guard<std::mutex> lock(gChildrenLock);
  auto it = gChildren.find(id);
  if (it == gChildren.end())
    return;
  std::error_code ec;
  std::filesystem::remove(it->second.stateBase + ".pid", ec);
  std::filesystem::remove(it->second.stateBase + ".exit", ec);
  gChildren.erase(it);
}

TChild Find(int id) {
  std::lock_guard<std::mutex> lock(gChildrenLock);
  auto it = gChildren.find(id);
  return it == gChildren.end() ? TChild{} : it->second;
}

}  // namespace

bool TProcess::Running() {
  if (pid_ <= 0)
    return false;
  if (ExitCodeOf(Find(pid_)) == -2)
    return true;
  Forget(pid_);
  pid_ = -1;
  return false;
}

int TProcess::Wait(int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
    const int code = ExitCodeOf(Find(pid_));
    if (code != -2) {
      Forget(pid_);
      pid_ = -1;
      return code;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

void TProcess::Stop() {
  if (pid_ <= 0)
    return;
  const TChild child = Find(pid_);
  const std::string pid = ReadSmall(child.stateBase + ".pid");
  if (!pid.empty() && ExitCodeOf(child) == -2) {
    // The shell then records the exit code, which the wait below sees.
    StartShell("kill " + pid + " 2>/dev/null; sleep 0.3; kill -9 " + pid + " 2>/dev/null");
  }
  Wait(3000);
  if (pid_ > 0)
    Forget(pid_);
  pid_ = -1;
}

int RunCommand(const std::vector<std::string>& argv, std::string* out, int timeoutMs) {
  static std::atomic<int> counter{0};
  const std::string log = "/tmp/varelo-cmd-" + ProgramTag() + "-" + std::to_string(++counter);
  std::error_code ec;
  std::filesystem::remove(log, ec);
  int code;
  {
    TProcess p(argv, log);
    if (p.Pid() <= 0)
      return -1;
    code = p.Wait(timeoutMs);
  }
  if (out)
    *out = ReadSmall(log);
  std::filesystem::remove(log, ec);
  return code;
}

namespace {

struct TWinsockUse {
  TWinsockUse() {
    WSADATA data;
    WSAStartup(0x0202, &data);
  }
  ~TWinsockUse() { WSACleanup(); }
};

void UseWinsock() {
  static TWinsockUse use;
}

}  // namespace

int FreeTcpPort() {
  UseWinsock();
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int len = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  closesocket(s);
  return ntohs(a.sin_port);
}

bool WaitForPort(int port, int timeoutMs) {
  UseWinsock();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    closesocket(s);
    if (ok)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

bool HaveProgram(const std::string& name) {
  return RunCommand({"/bin/sh", "-c", "command -v " + Quote(name) + " >/dev/null 2>&1"}) == 0;
}

}  // namespace varelo::test
