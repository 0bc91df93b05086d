#pragma once
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The window layer's link to the screen: message boxes, processing of pending messages, and
// showing a form and running the message loop. The program uses the toolkit's service; tests
// put in a scripted one so that form logic runs without a display.
namespace platform::ui {

class TForm;
class TPicture;

// A modal question: the caption, the text, the buttons from left to right (an "&" before a
// letter makes Alt and that letter press the button), and optionally an edit box for a secret,
// shown masked.
struct TQuestion {
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;
  int defaultButton = 0;  // pressed by Enter
  int cancelButton = -1;  // pressed by Escape and by the close box; -1: the last button
  bool secret = false;    // adds the masked edit, which holds the focus
  int maxLength = 0;      // of the edit; 0 for no limit
};

class IUiService {
 public:
  virtual ~IUiService() = default;

  // A modal box with the caption, the text, one OK button and no icon.
  virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
  // A modal box with the caption, the text, one OK button and the error icon.
  virtual void ShowError(const std::string& caption, const std::string& text) = 0;
  // Asks the question and waits for the answer: the index of the button pressed (the cancel
  // button's when the box is closed). `edit` holds what was typed in the secret edit.
  virtual int Ask(const TQuestion& question, std::string& edit) = 0;
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
