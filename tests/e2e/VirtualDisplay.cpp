#include "tests/e2e/VirtualDisplay.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace varelo::e2e {
namespace {

constexpr int kStartTimeoutMs = 10000;

// The display number is the first line that holds only digits: the server writes it to its
// standard output, which shares the log with its warnings.
std::string DisplayNumber(const std::string& log) {
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos)
      return "";  // the line is not complete yet
    const std::string line = log.substr(start, end - start);
    if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
      return line;
    start = end + 1;
  }
  return "";
}

}  // namespace

TVirtualDisplay::TVirtualDisplay() {
  if (const char* d = std::getenv("DISPLAY")) {
    hadDisplay_ = true;
    savedDisplay_ = d;
  }
  if (!test::HaveProgram("Xvfb"))
    return;
  server_ = test::TProcess({"Xvfb", "-displayfd", "1", "-screen", "0",
                            std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x24",
                            "-nolisten", "tcp", "-noreset"},
                           dir_ / "xvfb.log");
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
  while (std::chrono::steady_clock::now() < deadline && server_.Running()) {
    const std::string number = DisplayNumber(test::ReadFileBytes(dir_ / "xvfb.log"));
    if (!number.empty()) {
      name_ = ":" + number;
      setenv("DISPLAY", name_.c_str(), 1);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

TVirtualDisplay::~TVirtualDisplay() {
  server_.Stop();
  if (hadDisplay_)
    setenv("DISPLAY", savedDisplay_.c_str(), 1);
  else
    unsetenv("DISPLAY");
}

std::string TVirtualDisplay::Log() const {
  return test::ReadFileBytes(dir_ / "xvfb.log");
}

}  // namespace varelo::e2e
