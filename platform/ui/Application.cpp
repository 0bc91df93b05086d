#include "platform/ui/Application.h"

#include "platform/ui/Form.h"

namespace platform::ui {

void TApplication::SetTitle(std::string title) {
  title_ = std::move(title);
  service_.SetTitle(title_);
}

void TApplication::SetIcon(TPicture icon) {
  icon_ = std::move(icon);
  service_.SetIcon(icon_);
}

void TApplication::MessageBox(const std::string& text) {
  service_.ShowMessage(title_, text);
}

void TApplication::ShowException(const std::exception& error) {
  service_.ShowError(title_, ErrorText(error.what()));
}

void TApplication::Run(TForm& mainForm) {
  if (icon_.Empty() && !mainForm.Icon().Empty())
    SetIcon(mainForm.Icon());
  service_.Run(mainForm, [this](const std::exception& error) { ShowException(error); });
}

std::string TApplication::ErrorText(const std::string& message) {
  // A message that already ends in punctuation sorting at or before "." (such as "!" or ".")
  // is left as it is. The last byte of a UTF-8 letter is above 0x7F, so it sorts after ".".
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
    return message + ".";
  return message;
}

}  // namespace platform::ui
