#include "archive/ZAWAux.h"

#include "archive/MessageIds.h"
#include "archive/ZipStrings.h"

namespace archive {

TZAWAux::TZAWAux(TZipArca19* owner, TZipArcaEvents& events) : TZACore(owner, events) {
  fCentralDir.OnDirUpdate = [this] {
    if (!fNoDirEvent && events_.OnDirUpdate)
      events_.OnDirUpdate(owner_);
  };
  fCentralDir.OnNewName = [this](int index) {
    if (events_.OnNewName)
      events_.OnNewName(owner_, index);
  };
}

const TZAZipFile* TZAWAux::Current() const {
  return fCentralDir.Loaded();
}

void TZAWAux::Set_ZipFileName(const std::string& name, TZLoadOpts load) {
  fZipFileName = name;
  if (load == TZLoadOpts::zloNoLoad)
    return;
  LoadZip(name, load == TZLoadOpts::zloSilent);
}

void TZAWAux::LoadZip(const std::string& name, bool noEvent) {
  ClearErrors();
  fNoDirEvent = noEvent;
  struct TRestore {
    bool& flag;
    ~TRestore() { flag = false; }
  } restore{fNoDirEvent};
  fCentralDir.Drop();
  if (name.empty())
    return;
  fCentralDir.IgnoreDirOnly = IgnoreDirOnly;
  TZAZipFile& zip = fCentralDir.Current(this);
  zip.IgnoreDirOnly = IgnoreDirOnly;
  zip.Encoding = Encoding;
  zip.Encoding_CP = Encoding_CP;
  zip.SpanOptions = SpanOptions;
  zip.FileName = name;
  int result = 0;
  try {
    result = zip.Open(false, false, ++fLoadCounter);
  } catch (...) {
    zip.Close();
    throw;
  }
  // The component holds no handle on the archive between operations.
  zip.Close();
  if (result >= 0) {
    ZipComment = zip.ZipComment;
    return;
  }
  if (result == -msg::kInputMissing) {
    ErrCode = msg::kInputMissing;
    ErrMessage = ZipLoadStr(msg::kInputMissing);
    return;
  }
  ShowMsg(-result, ZipLoadStr(-result), true);
}

void TZAWAux::RaiseProgress() {
  if (events_.OnProgress)
    events_.OnProgress(owner_, fProgress);
}

void TZAWAux::ReportWarning(int id) {
  // Recorded and passed to OnMessage; these codes never open a dialog.
  ShowMsg(id, ZipLoadStr(id), false);
}

}  // namespace archive
