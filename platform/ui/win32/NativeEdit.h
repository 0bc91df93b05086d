#pragma once
// A single-line EDIT control. The control's maximum length becomes the edit's own limit and
// its upper-case mode ES_UPPERCASE, so typing behaves natively; every change the user makes
// is handed to the control, which decides what the text is, and the edit shows that.
#include "platform/ui/StdControls.h"
#include "platform/ui/win32/NativePeer.h"

namespace platform::ui::native {

class TNativeEdit : public TNativePeer {
 public:
  TNativeEdit(TEdit& edit, TGdiCache& gdi, HWND parent, bool group);
  void Command(WORD code) override;

 protected:
  void Sync() override;

 private:
  std::string WindowText() const;

  TEdit& edit_;
  // Set while the edit is given the control's text, whose change notice is our own.
  bool syncing_ = false;
};

}  // namespace platform::ui::native
