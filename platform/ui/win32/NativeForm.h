#pragma once
// The form's top-level window: caption, border and title-bar buttons as the form says, the
// client area of the form's size, centred on the work area, with the form's icon. The close
// box closes the form; the form's close hides the window at once and destroys it as soon as
// the handler that closed it has returned.
#include "platform/ui/Form.h"
#include "platform/ui/win32/NativeBitmap.h"
#include "platform/ui/win32/NativeContainer.h"

namespace platform::ui::native {

class TNativeForm : public TNativeContainer {
 public:
  TNativeForm(TForm& form, TGdiCache& gdi);
  ~TNativeForm() override;

  // Shows the window and puts the focus on its first control the keyboard can reach.
  void Show();

 protected:
  void Sync() override;
  void ApplyGeometry() override;
  // The window appears when the message loop starts, placed first.
  bool OwnsVisibility() const override { return false; }
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void FocusFirstControl();

  TForm& form_;
  TIcon icon_;
  bool closing_ = false;
};

}  // namespace platform::ui::native
