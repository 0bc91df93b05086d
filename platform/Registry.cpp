// What the registry object does the same in every build; the store itself is the backend's
// (RegistryPosix.cpp over user.reg, win32/RegistryWin32.cpp over the system's registry).
#include "platform/Registry.h"

namespace platform {

void TRegistry::CloseKey() {
  key_.clear();
  open_ = false;
}

}  // namespace platform
