#pragma once
// Routing of failures raised by event handlers on Windows: a handler's exception must never
// unwind through the system's window procedures, so each handler runs inside Dispatch and its
// failure goes to the application's error box while the message loop goes on. For the
// Windows backend's own sources only.
#include <exception>
#include <functional>
#include <stdexcept>

namespace platform::ui::native {

using TErrorHandler = std::function<void(const std::exception&)>;

// The handler for the life of one message loop; restores the previous one when it ends.
class TEventErrorRoute {
 public:
  explicit TEventErrorRoute(const TErrorHandler* handler);
  ~TEventErrorRoute();
  TEventErrorRoute(const TEventErrorRoute&) = delete;
  TEventErrorRoute& operator=(const TEventErrorRoute&) = delete;

 private:
  const TErrorHandler* previous_;
};

void ReportEventError(const std::exception& error);

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

}  // namespace platform::ui::native
