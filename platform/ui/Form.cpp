#include "platform/ui/Form.h"

#include "platform/ui/EventDispatch.h"

namespace platform::ui {

TForm::TForm(std::string name) : TWinControl(nullptr, std::move(name)) {}

void TForm::SetBorderIcons(bool minimizeBox, bool maximizeBox) {
  minimizeBox_ = minimizeBox;
  maximizeBox_ = maximizeBox;
}

void TForm::Close() {
  if (closed_)
    return;
  closed_ = true;
  if (OnClose)
    OnClose(*this);
  Changed();
}

void TForm::Shown() {
  if (OnShow)
    Dispatch([this] { OnShow(*this); });
}

void TForm::CloseByUser() {
  if (closed_)
    return;
  bool canClose = true;
  if (OnCloseQuery)
    OnCloseQuery(*this, canClose);
  if (canClose)
    Close();
}

}  // namespace platform::ui
