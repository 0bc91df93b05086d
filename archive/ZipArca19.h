#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/ZADLLOpr.h"
#include "archive/ZipArcaEvents.h"
#include "archive/ZipTypes.h"
#include "platform/ui/UiService.h"

// The archive component: opens a ZIP file's directory, loads the engine library and extracts
// entries into a folder through it. Every operation runs inside one envelope that refuses
// re-entry, copies the settings into the worker and catches every failure at its edge:
// results are message ids in ErrCode with the text in ErrMessage, shown in the component's
// dialog unless Unattended. Nothing is thrown to the caller.
namespace archive {

class TZipArca19 {
 public:
  // `ui` processes window messages during keep-alive and shows the dialog; none in tests
  // that script the dialog through `presenter` or OnZipDialog.
  explicit TZipArca19(platform::ui::IUiService* ui = nullptr,
                      std::unique_ptr<IZipDialogPresenter> presenter = nullptr);
  ~TZipArca19();
  TZipArca19(const TZipArca19&) = delete;
  TZipArca19& operator=(const TZipArca19&) = delete;

  TZipArcaEvents Events;
  std::string Name = "ZipArca1";
  std::string OwnerName = "frmPrincipal";
  // The caption of dialogs without a title of their own: the application's title.
  std::string ApplicationTitle;

  // Operations.
  int Extract();
  void AbortDLL();

  // Properties the installer relies on.
  const std::string& ZipFileName() const { return fZipFileName; }
  void SetZipFileName(const std::string& value);
  bool DLL_Load() const;
  void SetDLL_Load(bool value);
  std::vector<std::string> FSpecArgs;
  std::vector<std::string> FSpecArgsExcl;
  std::string DLLDirectory;
  std::string ExtrBaseDir;
  TZAExtrOpts ExtrOptions;
  bool Unattended = false;
  bool Verbose = false;
  bool Trace = false;
  std::string Password;
  uint32_t PasswordReqCount = 1;
  bool ConfirmErase = false;
  TZASkipAborts NoSkipping{stDupName, stReadError};
  TZAEncodingOpts Encoding = zeoAuto;
  uint32_t Encoding_CP = 0;
  TZASpanOpts SpanOptions;
  bool UseDirOnlyEntries() const { return fUseDirOnlyEntries; }
  void SetUseDirOnlyEntries(bool value);
  std::string TempDir;
  std::string RootDir;
  TZADeleteOpts HowToDelete = TZADeleteOpts::htdAllowUndo;
  bool NotMainThread = false;
  const std::string& Language() const { return fLanguage; }
  void SetLanguage(const std::string& value);
  const std::string& ZipComment() const { return fZipComment; }
  void SetZipComment(const std::string& value);
  bool Active() const { return fActive > 0; }
  void SetActive(bool value);
  std::string Version() const { return "1.9.0.0113"; }
  void SetVersion(const std::string&) {}  // read-only in effect
  // Published for adding and self-extracting; stored only.
  int AddCompLevel = 9;
  int64_t MaxVolumeSize = 0;
  int64_t MaxVolumeSizeKb = 0;
  int64_t MinFreeVolumeSize = 65536;

  // Public read-only state.
  int ErrCode() const;
  std::string ErrMessage() const;
  int DllErrCode() const { return fWorker->DllErrCode; }
  int SuccessCnt() const { return fWorker->SuccessCnt(); }
  int SkippedCnt() const { return fWorker->SkippedCnt(); }
  const std::vector<TZASkipRecord>& SkippedFiles() const { return fWorker->SkippedFiles(); }
  int Count() const { return fWorker->CentralDir().Count(); }
  const TZADirEntry* DirEntry(int index) const { return fWorker->CentralDir().Entry(index); }
  bool Busy() const { return fBusy > 0; }
  bool Cancel() const { return fWorker->CancelCode != 0; }
  void SetCancel(bool value);
  int DLL_Build() const;
  int DLL_Version() const;
  std::string DLL_Path() const;
  int64_t ZipEOC() const;
  int64_t ZipSOC() const;
  int64_t ZipFileSize() const;
  uint32_t SFXOffset() const;
  bool IsSpanned() const;
  int64_t TotalSizeToProcess() const { return fWorker->Progress().TotalSize; }

  // The process-wide text handler (one for all components).
  static void SetOnLoadStr(TZipLoadStrEvent handler) { SetZipOnLoadStr(std::move(handler)); }

 private:
  enum TDeferred : uint32_t {
    kDeferLanguage = 1,
    kDeferZipFileName = 2,
    kDeferZipComment = 4,
    kDeferDLLLoad = 8
  };
  // Runs `body` as one operation; false when it was refused (inactive or re-entered).
  bool Run(const std::function<void()>& body);
  bool Start();
  void Setup();
  void Done(bool good);
  void Failure(const std::exception* error);
  void StateChange(TZAStates state);
  void ApplyDeferred();

  std::unique_ptr<IZipDialogPresenter> fPresenter;
  platform::ui::IUiService* fUi;
  std::unique_ptr<TZADLLOpr> fWorker;
  std::string fZipFileName;
  std::string fZipComment;
  std::string fLanguage;
  bool fDLLLoad = false;
  bool fUseDirOnlyEntries = false;
  int fBusy = 0;
  bool fReentry = false;
  int fActive = 1;  // 0 inactive, positive active, negative: switch off when the operation ends
  uint32_t fDeferred = 0;
  int fWaitCursor = 0;
};

}  // namespace archive
