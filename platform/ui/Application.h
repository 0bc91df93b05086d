#pragma once
#include <exception>
#include <string>

#include "platform/ui/Picture.h"
#include "platform/ui/UiService.h"

// The application object: its title is the caption of every message box it shows.
namespace platform::ui {

class TApplication {
 public:
  explicit TApplication(IUiService& service) : service_(service) {}

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title);
  // The program's icon, carried by its message boxes. Until one is set, the main form's icon
  // is taken when the message loop starts.
  const TPicture& Icon() const { return icon_; }
  void SetIcon(TPicture icon);

  // A plain message to the user: the title as caption, the text, OK, no icon.
  void MessageBox(const std::string& text);
  // A failure shown to the user: the title as caption, the error icon, and the failure's text
  // with a full stop added when its last character sorts after the full stop.
  void ShowException(const std::exception& error);
  void ProcessMessages() { service_.ProcessMessages(); }
  // Shows the main form and runs the message loop until it closes.
  void Run(TForm& mainForm);

  IUiService& Service() const { return service_; }

  // The text an error box shows for a failure's message.
  static std::string ErrorText(const std::string& message);

 private:
  IUiService& service_;
  std::string title_;
  TPicture icon_;
};

}  // namespace platform::ui
