#pragma once
#include <exception>
#include <functional>
#include <memory>
#include <string>

// The window layer's link to the screen: message boxes, processing of pending messages, and
// showing a form and running the message loop. The program uses the toolkit's service; tests
// put in a scripted one so that form logic runs without a display.
namespace platform::ui {

class TForm;
class TPicture;

class IUiService {
 public:
  virtual ~IUiService() = default;

  // A modal box with the caption, the text, one OK button and no icon.
  virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
  // A modal box with the caption, the text, one OK button and the error icon.
  virtual void ShowError(const std::string& caption, const std::string& text) = 0;
  // Handles the window messages waiting now (painting, input) and returns.
  virtual void ProcessMessages() = 0;
  // Shows the form and handles window messages until it closes. A failure raised by an
  // event handler leaves that handler and goes to onError; the loop goes on.
  virtual void Run(TForm& form, const std::function<void(const std::exception&)>& onError) = 0;
  // Sets the title that the desktop shows for the program.
  virtual void SetTitle(const std::string& title) = 0;
  // Sets the program's icon, which every window it shows carries unless it has its own: the
  // message boxes take it.
  virtual void SetIcon(const TPicture& /*icon*/) {}
};

// The service that draws on the screen through the window toolkit.
std::unique_ptr<IUiService> CreateScreenService();

}  // namespace platform::ui
