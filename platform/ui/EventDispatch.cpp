#include "platform/ui/EventDispatch.h"

#include <cstdio>

namespace platform::ui {
namespace {

const TEventErrorHandler* g_handler = nullptr;

void WriteUnshown(const char* what) {
  std::fprintf(stderr, "A failure could not be shown: %s\n", what);
}

}  // namespace

TEventErrorRoute::TEventErrorRoute(const TEventErrorHandler* handler) : previous_(g_handler) {
  g_handler = handler;
}

TEventErrorRoute::~TEventErrorRoute() {
  g_handler = previous_;
}

void ReportEventError(const std::exception& error) {
  if (!g_handler || !*g_handler) {
    WriteUnshown(error.what());
    return;
  }
  try {
    (*g_handler)(error);
  } catch (const std::exception& boxError) {
    WriteUnshown(error.what());
    WriteUnshown(boxError.what());
  } catch (...) {
    WriteUnshown(error.what());
  }
}

}  // namespace platform::ui
