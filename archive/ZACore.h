#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/ZipArcaError.h"
#include "archive/ZipArcaEvents.h"
#include "archive/ZipDialogBox.h"
#include "archive/ZipTypes.h"
#include "platform/ui/UiService.h"

// The base of the component's worker: the settings copied in for each operation, the error
// state, the error display and reports, the keep-alive and the cancel check.
namespace archive {

using TZASkipAborts = TZASet<TZASkipTypes>;

class TZACore {
 public:
  TZACore(TZipArca19* owner, TZipArcaEvents& events);
  virtual ~TZACore() = default;
  TZACore(const TZACore&) = delete;
  TZACore& operator=(const TZACore&) = delete;

  // Settings, copied from the component at the start of every operation.
  bool Unattended = false;
  bool ConfirmErase = false;
  TZAVerbosity Verbosity = TZAVerbosity::zvOff;
  TZAEncodingOpts Encoding = zeoAuto;
  uint32_t Encoding_CP = 0;
  TZADeleteOpts HowToDelete = TZADeleteOpts::htdAllowUndo;
  std::string TempDir;
  TZASkipAborts NoSkipping{stDupName, stReadError};
  TZASpanOpts SpanOptions;
  std::vector<std::string> FSpecArgs;
  std::vector<std::string> FSpecArgsExcl;
  bool IgnoreDirOnly = true;
  std::string ExtrBaseDir;
  TZAExtrOpts ExtrOptions;
  std::string Password;
  uint32_t PasswordReqCount = 1;
  std::string RootDir;
  std::string DLLDirectory;
  std::string ZipComment;
  std::string ApplicationTitle;
  IZipDialogPresenter* Presenter = nullptr;
  platform::ui::IUiService* Ui = nullptr;

  // Error state.
  int ErrCode = 0;
  std::string ErrMessage;
  int DllErrCode = 0;
  int CancelCode = 0;  // 0, or the message id a pending cancel raises
  std::string EventErr;
  bool MainThread = true;

  void ClearErrors();
  bool Verbose() const { return Verbosity != TZAVerbosity::zvOff; }
  bool Tracing() const { return Verbosity == TZAVerbosity::zvTrace; }

  // The error display: stores code and text, shows the dialog unless unattended or silent,
  // then reports the message.
  void ShowMsg(int code, const std::string& text, bool display);
  void ShowError(const EZipArca& error);
  // Raises OnMessage and keeps alive.
  void Report(int code, const std::string& text);
  // A reported line of the component itself ("!" info, "#" trace prefixes resolved).
  void ReportLine(const std::string& text);
  // OnTick, OnCheckTerminate or message processing.
  void KeepAlive();
  // Keeps alive, then raises the pending cancel.
  void CheckCancel();

  // The message dialog: OnZipDialog first, else the presenter. Returns the modal result.
  int ZipDialog(const std::string& title, const std::string& text, TZipDialogType type,
                const std::vector<TMsgDlgBtn>& buttons);
  // The password dialog: returns the modal result and the typed password.
  int PasswordDialog(const std::string& forFile, std::string& password);

 protected:
  TZipArca19* owner_;
  TZipArcaEvents& events_;
};

// Codes the error display never shows in a dialog.
bool IsSilentCode(int code);

}  // namespace archive
