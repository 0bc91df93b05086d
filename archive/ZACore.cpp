#include "archive/ZACore.h"

#include <cstdlib>

#include "archive/MessageIds.h"
#include "archive/ZipStrings.h"

namespace archive {
namespace {
constexpr int kErrorHelpContext = 10000;
}  // namespace

bool IsSilentCode(int code) {
  return code == msg::kUserAbort || code == msg::kUserCancel || code == msg::kReadComment ||
         code == msg::kStructureWarning;
}

TZACore::TZACore(TZipArca19* owner, TZipArcaEvents& events) : owner_(owner), events_(events) {}

void TZACore::ClearErrors() {
  ErrCode = 0;
  ErrMessage.clear();
  DllErrCode = 0;
}

void TZACore::ShowMsg(int code, const std::string& text, bool display) {
  ErrMessage = text;
  ErrCode = std::abs(code);
  if (display && !Unattended && !IsSilentCode(ErrCode))
    ZipDialog({}, text, TZipDialogType::Information, {TMsgDlgBtn::mbOK});
  Report(ErrCode, text);
}

void TZACore::ShowError(const EZipArca& error) {
  ShowMsg(error.Id(), error.Message(), error.Display());
}

void TZACore::Report(int code, const std::string& text) {
  if (events_.OnMessage)
    events_.OnMessage(owner_, code, text);
  KeepAlive();
}

void TZACore::ReportLine(const std::string& text) {
  Report(0, ZipReportText(text));
}

void TZACore::KeepAlive() {
  if (events_.OnTick)
    events_.OnTick(owner_);
  if (events_.OnCheckTerminate) {
    bool abort = CancelCode != 0;
    events_.OnCheckTerminate(owner_, abort);
    if (abort && CancelCode == 0)
      CancelCode = msg::kUserCancel;
    return;
  }
  if (MainThread && Ui != nullptr)
    Ui->ProcessMessages();
}

void TZACore::CheckCancel() {
  KeepAlive();
  if (CancelCode != 0)
    throw EZipArca(CancelCode);
}

int TZACore::ZipDialog(const std::string& title, const std::string& text, TZipDialogType type,
                       const std::vector<TMsgDlgBtn>& buttons) {
  if (events_.OnZipDialog) {
    std::string message = text;
    int result = 0;
    events_.OnZipDialog(owner_, title, message, result, buttons);
    if (result >= 1 && result <= 10)
      return result;
  }
  std::string caption = title.empty() ? ApplicationTitle : title;
  if (Verbose())
    caption = ZipFormat("%s   (%d)", {caption, int64_t{kErrorHelpContext}});
  const TZipDialogLayout layout = TZipDialogBox::Build(caption, type, text, buttons, false);
  std::string edit;
  return TZipDialogBox::Show(Presenter, layout, edit);
}

int TZACore::PasswordDialog(const std::string& forFile, std::string& password) {
  const std::string caption = ZipLoadStr(msg::kPasswordCaption);
  const std::string prompt = ZipLoadStr(msg::kEnterPassword) + forFile;
  const TZipDialogLayout layout =
      TZipDialogBox::Build(caption, TZipDialogType::Confirmation, prompt,
                           {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel, TMsgDlgBtn::mbAll}, true);
  password.clear();
  if (Presenter == nullptr)
    return kResultCancel;
  return Presenter->Present(layout, password);
}

}  // namespace archive
