#pragma once
#include <cstdint>
#include <string>

#include "archive/CenDir.h"
#include "archive/ProgressDetails.h"
#include "archive/ZACore.h"

// The worker's directory part: the archive name, loading its directory, and the reader's
// link back to the component (warnings, cancel checks, trace lines).
namespace archive {

class TZAWAux : public TZACore, public IZipReaderHost {
 public:
  TZAWAux(TZipArca19* owner, TZipArcaEvents& events);

  const std::string& ZipFileName() const { return fZipFileName; }
  // Stores the name; zloFull and zloSilent load it (zloSilent without OnDirUpdate).
  void Set_ZipFileName(const std::string& name, TZLoadOpts load);
  void LoadZip(const std::string& name, bool noEvent);
  void List() { LoadZip(fZipFileName, false); }

  TZACenDir& CentralDir() { return fCentralDir; }
  const TZACenDir& CentralDir() const { return fCentralDir; }
  // The loaded directory's end-record values (zero when none is loaded).
  const TZAZipFile* Current() const;
  TProgDetails& Progress() { return fProgress; }
  void RaiseProgress();

  // IZipReaderHost
  void ReportWarning(int id) override;
  void CheckCancel() override { TZACore::CheckCancel(); }
  bool Tracing() const override { return TZACore::Tracing(); }
  void Trace(const std::string& text) override { ReportLine("#" + text); }

 protected:
  std::string fZipFileName;
  TZACenDir fCentralDir;
  uint32_t fLoadCounter = 0;
  TProgDetails fProgress;
  bool fNoDirEvent = false;
};

}  // namespace archive
