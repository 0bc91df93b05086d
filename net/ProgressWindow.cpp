#include "net/ProgressWindow.h"

#include "net/NetLimits.h"
#include "net/ProtoTicks.h"

namespace net {

TProgressWindow::TProgressWindow(int32_t Timeout) : FTimeout(Timeout), FStart(TickNow()) {}

void TProgressWindow::Add(int64_t Bytes) {
  if (FTimeout <= 0 || Bytes <= 0)
    return;
  FBytes += Bytes;
  if (FBytes >= kMinProgressBytes) {
    FStart = TickNow();
    FBytes = 0;
  }
}

int32_t TProgressWindow::WaitLeft() const {
  if (FTimeout <= 0)
    return FTimeout;
  const uint32_t spent = TickSpan(FStart, TickNow());
  return spent >= static_cast<uint32_t>(FTimeout) ? 0 : FTimeout - static_cast<int32_t>(spent);
}

bool TProgressWindow::Expired() const {
  return FTimeout > 0 && FBytes < kMinProgressBytes && WaitLeft() == 0;
}

}  // namespace net
