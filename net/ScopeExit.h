#pragma once
#include <utility>

// Runs an action when the scope it guards ends, however it ends: the sockets use it to put a
// temporary setting back (the SOCKS bypass, a line-length limit) also when an error is raised
// as an ETramaError, so that a later request does not run with the stale setting.
namespace net {

template <typename TAction>
class TScopeExit {
 public:
  explicit TScopeExit(TAction action) : action_(std::move(action)) {}
  ~TScopeExit() { action_(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  TAction action_;
};

// Sets `place` to `value` for the rest of the scope and restores its former value at the end.
template <typename T>
[[nodiscard]] auto ScopedValue(T& place, T value) {
  T saved = place;
  place = std::move(value);
  return TScopeExit([&place, saved] { place = saved; });
}

}  // namespace net
