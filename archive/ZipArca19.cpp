#include "archive/ZipArca19.h"

#include <new>

#include "archive/MessageIds.h"
#include "archive/ZipStrings.h"

namespace archive {
namespace {
constexpr int kReentryBit = 0x4000000;
constexpr int kCodeMask = 0x3FFFFFF;
}  // namespace

TZipArca19::TZipArca19(platform::ui::IUiService* ui, std::unique_ptr<IZipDialogPresenter> presenter)
    : fPresenter(std::move(presenter)), fUi(ui) {
  if (!fPresenter && fUi != nullptr)
    fPresenter = CreateUiDialogPresenter(*fUi);
  fWorker = std::make_unique<TZADLLOpr>(this, Events);
}

TZipArca19::~TZipArca19() {
  fWorker->CancelCode = msg::kUserCancel;
  fActive = 0;
  Events.OnMessage = nullptr;
  Events.OnStateChange = nullptr;
  Events.OnStream = nullptr;
  fWorker->AbortDLL();
  fWorker->BeginDestroy();
}

int TZipArca19::ErrCode() const {
  if (fActive == 0)
    return msg::kNotActive;
  const int code = fWorker->ErrCode & kCodeMask;
  return fReentry ? code | kReentryBit : code;
}

std::string TZipArca19::ErrMessage() const {
  if (fActive == 0)
    return ZipLoadStr(msg::kNotActive);
  if (fReentry)
    return ZipFmtLoadStr(msg::kBusy, {fWorker->ErrMessage});
  return fWorker->ErrMessage;
}

void TZipArca19::StateChange(TZAStates state) {
  bool noCursor = NotMainThread;
  if (Events.OnStateChange)
    Events.OnStateChange(this, state, noCursor);
  // The platform has no screen cursor to switch; nested waits are only counted.
  if (state == TZAStates::zsBusy && !noCursor)
    ++fWaitCursor;
  if (state != TZAStates::zsBusy && fWaitCursor > 0)
    --fWaitCursor;
}

bool TZipArca19::Start() {
  if (fActive <= 0)
    return false;
  if (fBusy != 0) {
    fReentry = true;
    if (Verbose || Trace)
      fWorker->ReportLine("Re-entry");
    return false;
  }
  fBusy = 1;
  StateChange(TZAStates::zsBusy);
  return true;
}

void TZipArca19::Setup() {
  fReentry = false;
  TZADLLOpr& w = *fWorker;
  w.Unattended = Unattended;
  w.ConfirmErase = ConfirmErase;
  w.Verbosity = Trace     ? TZAVerbosity::zvTrace
                : Verbose ? TZAVerbosity::zvVerbose
                          : TZAVerbosity::zvOff;
  w.Encoding = Encoding;
  w.Encoding_CP = Encoding_CP;
  w.HowToDelete = HowToDelete;
  w.TempDir = TempDir;
  w.NoSkipping = NoSkipping;
  w.SpanOptions = SpanOptions;
  w.FSpecArgs = FSpecArgs;
  w.FSpecArgsExcl = FSpecArgsExcl;
  w.IgnoreDirOnly = !fUseDirOnlyEntries;
  w.ExtrBaseDir = ExtrBaseDir;
  w.ExtrOptions = ExtrOptions;
  w.Password = Password;
  w.PasswordReqCount = PasswordReqCount;
  w.RootDir = RootDir;
  w.DLLDirectory = DLLDirectory;
  w.ZipComment = fZipComment;
  w.ApplicationTitle = ApplicationTitle;
  w.Presenter = fPresenter.get();
  w.Ui = fUi;
  w.MainThread = !NotMainThread;
  w.CancelCode = 0;
  w.EventErr.clear();
  w.ClearErrors();
}

void TZipArca19::Done(bool good) {
  (void)good;
  FSpecArgs = fWorker->FSpecArgs;
  FSpecArgsExcl = fWorker->FSpecArgsExcl;
  fZipComment = fWorker->ZipComment;
  fZipFileName = fWorker->ZipFileName();
  --fBusy;
  if (Trace)
    fWorker->ReportLine("#done = " + std::to_string(fBusy));
  if (fBusy == 0) {
    StateChange(TZAStates::zsIdle);
    if (fActive < 0) {
      fActive = 0;
      StateChange(TZAStates::zsDisabled);
    }
  }
}

void TZipArca19::Failure(const std::exception* error) {
  Done(false);
  if (const auto* zip = dynamic_cast<const EZipArca*>(error)) {
    fWorker->ShowError(*zip);
  } else if (dynamic_cast<const std::bad_alloc*>(error) != nullptr) {
    fWorker->ShowMsg(msg::kNoMemory, ZipLoadStr(msg::kNoMemory), true);
  } else {
    const std::string what = error != nullptr ? error->what() : "";
    fWorker->ShowMsg(msg::kUnknownListError, ZipLoadStr(msg::kUnknownListError) + what, true);
  }
}

bool TZipArca19::Run(const std::function<void()>& body) {
  if (!Start())
    return false;
  try {
    Setup();
    body();
  } catch (const std::exception& error) {
    Failure(&error);
    return true;
  } catch (...) {
    Failure(nullptr);
    return true;
  }
  Done(true);
  return true;
}

int TZipArca19::Extract() {
  if (fActive <= 0)
    return msg::kNotActive;
  Run([this] { fWorker->Extract(); });
  return ErrCode();
}

void TZipArca19::AbortDLL() {
  fWorker->AbortDLL();
}

void TZipArca19::SetCancel(bool value) {
  fWorker->CancelCode = value ? msg::kUserCancel : 0;
}

void TZipArca19::SetZipFileName(const std::string& value) {
  if (value == fZipFileName)
    return;
  if (fActive <= 0) {
    fZipFileName = value;
    fDeferred |= kDeferZipFileName;
    return;
  }
  Run([this, value] {
    fZipFileName = value;
    fWorker->Set_ZipFileName(value, TZLoadOpts::zloFull);
  });
}

bool TZipArca19::DLL_Load() const {
  return fWorker->DLL_Load();
}

void TZipArca19::SetDLL_Load(bool value) {
  if (value == DLL_Load() && value == fDLLLoad)
    return;
  fDLLLoad = value;
  if (fActive <= 0) {
    fDeferred |= kDeferDLLLoad;
    return;
  }
  Run([this, value] { fWorker->SetDLL_Load(value); });
}

void TZipArca19::SetLanguage(const std::string& value) {
  fLanguage = value;
  if (fActive <= 0) {
    fDeferred |= kDeferLanguage;
    return;
  }
  Run([value] { SetZipLanguage(value); });
}

void TZipArca19::SetZipComment(const std::string& value) {
  fZipComment = value;
  if (fActive <= 0)
    fDeferred |= kDeferZipComment;
}

void TZipArca19::SetUseDirOnlyEntries(bool value) {
  if (value == fUseDirOnlyEntries)
    return;
  fUseDirOnlyEntries = value;
  if (fActive <= 0)
    return;
  // The public list depends on it: reload the directory when one is named.
  Run([this] {
    if (!fWorker->ZipFileName().empty())
      fWorker->List();
  });
}

void TZipArca19::SetActive(bool value) {
  if (value) {
    if (fActive > 0)
      return;
    fActive = 1;
    ApplyDeferred();
    StateChange(TZAStates::zsIdle);
    return;
  }
  if (fActive <= 0)
    return;
  if (fBusy > 0) {
    fActive = -1;  // switched off when the running operation ends
    return;
  }
  fActive = 0;
  StateChange(TZAStates::zsDisabled);
}

void TZipArca19::ApplyDeferred() {
  const uint32_t deferred = fDeferred;
  fDeferred = 0;
  if (deferred == 0)
    return;
  Run([this, deferred] {
    if (deferred & kDeferLanguage)
      SetZipLanguage(fLanguage);
    if (deferred & kDeferZipFileName)
      fWorker->Set_ZipFileName(fZipFileName, TZLoadOpts::zloFull);
    if ((deferred & kDeferZipComment) && fWorker->ErrCode == 0)
      fWorker->ZipComment = fZipComment;
    if ((deferred & kDeferDLLLoad) && fWorker->ErrCode == 0)
      fWorker->SetDLL_Load(fDLLLoad);
  });
}

int TZipArca19::DLL_Build() const {
  return TZADLLLoader::Instance().Build();
}

int TZipArca19::DLL_Version() const {
  return TZADLLLoader::Instance().Version();
}

std::string TZipArca19::DLL_Path() const {
  return TZADLLLoader::Instance().Path();
}

int64_t TZipArca19::ZipEOC() const {
  const TZAZipFile* z = fWorker->Current();
  return z != nullptr ? z->EOCOffset : 0;
}

int64_t TZipArca19::ZipSOC() const {
  const TZAZipFile* z = fWorker->Current();
  return z != nullptr ? z->CentralOffset : 0;
}

int64_t TZipArca19::ZipFileSize() const {
  const TZAZipFile* z = fWorker->Current();
  return z != nullptr ? z->File_Size : 0;
}

uint32_t TZipArca19::SFXOffset() const {
  const TZAZipFile* z = fWorker->Current();
  return z != nullptr ? z->SFXOfs : 0;
}

bool TZipArca19::IsSpanned() const {
  const TZAZipFile* z = fWorker->Current();
  return z != nullptr && z->MultiDisk;
}

}  // namespace archive
