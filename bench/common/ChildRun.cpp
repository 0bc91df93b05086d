#include "bench/common/ChildRun.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace bench {
namespace {

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// In the child between fork and exec: only calls that are safe there.
void DiscardOutput() {
  const int null = open("/dev/null", O_WRONLY);
  if (null < 0)
    return;
  dup2(null, 1);
  dup2(null, 2);
}

}  // namespace

TChildResult RunChild(const std::vector<std::string>& argv, TChildOutput output) {
  TChildResult result;
  if (argv.empty())
    return result;
  std::vector<char*> args;
  for (const auto& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0)
    return result;
  if (pid == 0) {
    if (output == TChildOutput::kDiscarded)
      DiscardOutput();
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid)
    return result;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.peakKiB = usage.ru_maxrss;
  return result;
}

}  // namespace bench
