#pragma once
#include <string>

#include "installer/CommandLine.h"
#include "platform/ui/UiService.h"

// The installation run without a person at the machine (/PASSIVO, /SILENCIOSO): the same
// window and the same run, with the choice taken from the command line and no box shown.
namespace installer {

class TfrmPrincipal;
class TRunOutcome;

// The window layer's link to the screen for a run that asks nothing: every box's text goes to
// the installation log and to standard error instead, and every question is answered with its
// cancel button. With a screen (a passive run) the window is shown and painted through it;
// without one (a silent run) nothing is drawn and no display is needed.
class TUnattendedService : public platform::ui::IUiService {
 public:
  TUnattendedService(platform::ui::IUiService* screen, std::string logPath);

  void ShowMessage(const std::string& caption, const std::string& text) override;
  void ShowError(const std::string& caption, const std::string& text) override;
  int Ask(const platform::ui::TQuestion& question, std::string& edit) override;
  void ProcessMessages() override;
  void Run(platform::ui::TForm& form,
           const std::function<void(const std::exception&)>& onError) override;
  void SetTitle(const std::string& title) override;
  void SetIcon(const platform::ui::TPicture& icon) override;

 private:
  void Report(const std::string& kind, const std::string& text);

  platform::ui::IUiService* screen_;
  std::string logPath_;
};

// Puts the command line's choice into the window, as the user would have made it.
void ApplyChoice(TfrmPrincipal& form, const TCommandLine& line);

// The exit code of a run: what the last press of "Instalar" did.
int ExitCodeOf(const TfrmPrincipal& form);

}  // namespace installer
