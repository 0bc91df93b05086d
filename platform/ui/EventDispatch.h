#pragma once
// Routing of failures raised by event handlers, the same for every backend: what the user does
// reaches the controls through Dispatch, and a handler's failure goes to the error handler of
// the running message loop (the application's error box) while the loop goes on. A failure
// must never unwind through the toolkit's or the system's window procedures.
#include <exception>
#include <functional>
#include <stdexcept>

namespace platform::ui {

using TEventErrorHandler = std::function<void(const std::exception&)>;

// The handler for the life of one message loop; restores the one of the loop around it (a
// modal form shown from an event handler) when it ends.
class TEventErrorRoute {
 public:
  explicit TEventErrorRoute(const TEventErrorHandler* handler);
  ~TEventErrorRoute();
  TEventErrorRoute(const TEventErrorRoute&) = delete;
  TEventErrorRoute& operator=(const TEventErrorRoute&) = delete;

 private:
  const TEventErrorHandler* previous_;
};

// Hands the failure to the running loop's handler. A failure of the handler itself has no box
// left to be shown in: it is written to the standard error stream.
void ReportEventError(const std::exception& error);

// Runs an event handler. Every failure is reported, one that is no std::exception too, as a
// failure of its own.
template <typename F>
void Dispatch(F&& action) {
  try {
    action();
  } catch (const std::exception& error) {
    ReportEventError(error);
  } catch (...) {
    ReportEventError(std::runtime_error("Unknown failure in an event handler"));
  }
}

}  // namespace platform::ui
