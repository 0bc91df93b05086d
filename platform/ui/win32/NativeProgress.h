#pragma once
// The progress bar as msctls_progress32, with a 32-bit range and position.
#include "platform/ui/ComCtrls.h"
#include "platform/ui/win32/NativePeer.h"

namespace platform::ui::native {

class TNativeProgress : public TNativePeer {
 public:
  TNativeProgress(TProgressBar& bar, TGdiCache& gdi, HWND parent);

 protected:
  void Sync() override;

 private:
  TProgressBar& bar_;
};

}  // namespace platform::ui::native
