#include "platform/ui/win32/NativeEvents.h"

namespace platform::ui::native {
namespace {

const TErrorHandler* g_handler = nullptr;

}  // namespace

TEventErrorRoute::TEventErrorRoute(const TErrorHandler* handler) : previous_(g_handler) {
  g_handler = handler;
}

TEventErrorRoute::~TEventErrorRoute() {
  g_handler = previous_;
}

// A failure raised by the error box itself is dropped: there is nowhere left to show it, and
// it must not leave through the window procedure.
void ReportEventError(const std::exception& error) {
  if (!g_handler || !*g_handler)
    return;
  try {
    (*g_handler)(error);
  } catch (...) {
  }
}

}  // namespace platform::ui::native
