#pragma once
// The screen service on Windows: the form's windows with the common controls, message boxes
// through the system, and the thread's message queue. For the Windows backend's own sources
// only; the program gets it from CreateScreenService().
#include <windows.h>

#include "platform/ui/UiService.h"
#include "platform/ui/win32/GdiCache.h"

namespace platform::ui::native {

class TNativeForm;

class TNativeScreenService : public IUiService {
 public:
  TNativeScreenService();

  void ShowMessage(const std::string& caption, const std::string& text) override;
  void ShowError(const std::string& caption, const std::string& text) override;
  int Ask(const TQuestion& question, std::string& edit) override;
  void ProcessMessages() override;
  void Run(TForm& form, const std::function<void(const std::exception&)>& onError) override;
  // The main window, not a hidden application window, stands for the program on the taskbar,
  // under its own caption; the title reaches the message boxes as their caption.
  void SetTitle(const std::string&) override {}

 private:
  void Box(const std::string& caption, const std::string& text, UINT icon);
  // Hands one message to the keyboard interface of the window, or to its window procedure.
  void Deliver(MSG& message);
  bool SwitchPage(const MSG& message);

  TForm* form_ = nullptr;
  TNativeForm* window_ = nullptr;
};

}  // namespace platform::ui::native
