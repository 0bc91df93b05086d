#pragma once
#include <signal.h>
#include <sys/resource.h>

namespace varelo::test {

// Limits the size of files this process may write, as a full disk or a quota would, and puts
// the limit back afterwards. Past it a write fails with EFBIG (the signal is ignored).
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};

}  // namespace varelo::test
