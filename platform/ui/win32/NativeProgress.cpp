#include "platform/ui/win32/NativeProgress.h"

namespace platform::ui::native {
namespace {

// The green of the platform's progress bars; the themed bar has it already, the classic one
// is given it.
constexpr TColor kBarGreen = 0x06B025;

}  // namespace

TNativeProgress::TNativeProgress(TProgressBar& bar, TGdiCache& gdi, HWND parent)
    : TNativePeer(bar, gdi), bar_(bar) {
  Create(PROGRESS_CLASSW, PBS_SMOOTH, 0, parent);
  if (HWND hwnd = Handle())
    SendMessageW(hwnd, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(ToColorRef(kBarGreen)));
}

void TNativeProgress::Sync() {
  HWND hwnd = Handle();
  SendMessageW(hwnd, PBM_SETRANGE32, static_cast<WPARAM>(bar_.Min()),
               static_cast<LPARAM>(bar_.Max()));
  SendMessageW(hwnd, PBM_SETPOS, static_cast<WPARAM>(bar_.Position()), 0);
}

}  // namespace platform::ui::native
