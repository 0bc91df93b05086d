#include "installer/Unattended.h"

#include <algorithm>
#include <cstdio>

#include "installer/ExitCodes.h"
#include "installer/InstallLog.h"
#include "installer/uPrincipal.h"

namespace installer {
namespace {

// A box's text on one line of the log: its line breaks (CR, LF or both) become " / ".
std::string OneLine(const std::string& text) {
  std::string out;
  bool inBreak = false;
  for (const char c : text) {
    if (c == '\r' || c == '\n') {
      inBreak = true;
      continue;
    }
    if (inBreak && !out.empty())
      out += " / ";
    inBreak = false;
    out += c;
  }
  return out;
}

int ExitCodeOfCause(const TStep& step) {
  switch (step.cause) {
    case TStepCause::None:
      return kExitInstalled;
    case TStepCause::ServerNotReached:
    case TStepCause::AnswerCode:
    case TStepCause::CutShort:
      return kExitNotFetched;
    case TStepCause::NotWritten:
      return step.kind == TStepKind::Fetch ? kExitNotFetched : kExitNotUnpacked;
    case TStepCause::Damaged:
    case TStepCause::FilesNotWritten:
    case TStepCause::PasswordRefused:
    case TStepCause::FolderNotCreated:
    case TStepCause::EngineNotLoaded:
      return kExitNotUnpacked;
    case TStepCause::SettingsNotWritten:
    case TStepCause::ShortcutNotSaved:
      return kExitNotWritten;
    case TStepCause::NoRoom:
      return kExitNoRoom;
    case TStepCause::Cancelled:
      return kExitCancelled;
  }
  return kExitNotUnpacked;
}

}  // namespace

TUnattendedService::TUnattendedService(platform::ui::IUiService* screen, std::string logPath)
    : screen_(screen), logPath_(std::move(logPath)) {}

void TUnattendedService::Report(const std::string& kind, const std::string& text) {
  const std::string line = kind + ": " + OneLine(text);
  TInstallLog(logPath_).Line(line);
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

void TUnattendedService::ShowMessage(const std::string&, const std::string& text) {
  Report("mensagem", text);
}

void TUnattendedService::ShowError(const std::string&, const std::string& text) {
  Report("erro", text);
}

int TUnattendedService::Ask(const platform::ui::TQuestion& question, std::string& edit) {
  const int cancel = question.cancelButton >= 0 ? question.cancelButton
                                                : static_cast<int>(question.buttons.size()) - 1;
  std::string answer = cancel >= 0 && cancel < static_cast<int>(question.buttons.size())
                           ? question.buttons[static_cast<size_t>(cancel)]
                           : std::string();
  answer.erase(std::remove(answer.begin(), answer.end(), '&'), answer.end());
  Report("pergunta", question.text + " (respondida sem ninguém: " + answer + ")");
  edit.clear();
  return cancel;
}

void TUnattendedService::ProcessMessages() {
  if (screen_)
    screen_->ProcessMessages();
}

void TUnattendedService::Run(platform::ui::TForm& form,
                             const std::function<void(const std::exception&)>& onError) {
  if (screen_)
    screen_->Run(form, onError);
}

void TUnattendedService::SetTitle(const std::string& title) {
  if (screen_)
    screen_->SetTitle(title);
}

void TUnattendedService::SetIcon(const platform::ui::TPicture& icon) {
  if (screen_)
    screen_->SetIcon(icon);
}

void ApplyChoice(TfrmPrincipal& form, const TCommandLine& line) {
  if (line.kind != TInstallKind::Complete) {
    form.chkEstacao.Click();
    if (line.kind == TInstallKind::Network) {
      form.pc.SetActivePage(&form.tsLocal);
      form.edtServidor.SetText(line.server);
      form.edtCaminho.SetText(line.path);
    } else {
      form.pc.SetActivePage(&form.tsNuvens);
      form.edtEmpresa.SetText(line.alias);
    }
  }
  if (line.paf && !form.chkPaf.Checked())
    form.chkPaf.Click();
}

int ExitCodeOf(const TfrmPrincipal& form) {
  switch (form.LastPress()) {
    case TfrmPrincipal::TPress::None:
      return kExitCancelled;
    case TfrmPrincipal::TPress::EarlierInstallation:
      return kExitEarlierInstallation;
    case TfrmPrincipal::TPress::Incomplete:
      return kExitBadOptions;
    case TfrmPrincipal::TPress::Ran:
      break;
  }
  const TStep* failure = form.Outcome().FirstFailure();
  if (!failure)
    return form.Outcome().Succeeded() ? kExitInstalled : kExitCancelled;
  return ExitCodeOfCause(*failure);
}

}  // namespace installer
