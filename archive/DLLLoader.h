#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "archive/ZipArcaError.h"
#include "engine/ArcaZipContract.h"
#include "platform/DynamicLibrary.h"

// The one process-wide loader of the engine library ArcaZip190.dll. Workers (one per
// component) hold use counts on it; the library stays loaded while any count is positive.
// Every change of the counts and of the module happens under one guard.
namespace archive {

// What the loader needs from the worker it loads for.
class IZALoaderClient {
 public:
  virtual ~IZALoaderClient() = default;
  virtual std::string EngineDirectory() const = 0;
  virtual bool IsVerbose() const = 0;
  // Shows a load failure through the component's error display.
  virtual void ShowLoadError(const EZipArca& error) = 0;
  // A verbose report (OnMessage, code 0).
  virtual void ReportVerbose(const std::string& text) = 0;
};

class TZADLLLoader {
 public:
  static TZADLLLoader& Instance();

  // Takes a count for the worker and loads the library when none is loaded. Returns the
  // engine version (190), or -1 when it did not load (the error is already shown).
  int Load(IZALoaderClient& worker);
  bool Loaded(const IZALoaderClient& worker);
  void Unload(IZALoaderClient& worker);
  // Forgets the worker's count without unloading (a worker going away).
  void Remove(const IZALoaderClient& worker);
  // Runs one operation: its own count around "AZ_Exec". Returns the engine's result, or -1
  // when the library could not be loaded.
  int Exec(IZALoaderClient& worker, const TDLLCommands& commands, int32_t& key);
  // Asks the running operation to stop.
  void Abort(const IZALoaderClient& worker, int32_t key);

  int Build();
  int Version();
  std::string Path();
  std::string Banner();
  // Whether an engine embedded in the program is available: never on this build.
  int HasResDLL() const { return fHasResDLL; }

  // The library path that a DLLDirectory value leads to ("" for the bare name).
  static std::string LibraryPathFor(const std::string& directory);

 private:
  TZADLLLoader() = default;
  struct TZACount {
    const IZALoaderClient* worker = nullptr;
    int count = 0;
  };
  TZACount* SlotOf(const IZALoaderClient& worker);
  TZACount& TakeSlot(const IZALoaderClient& worker);
  void LoadLib(IZALoaderClient& worker, const std::string& path, bool raise);
  void FreeModule();
  bool AnyCount() const;

  std::recursive_mutex Guard;
  platform::TDynamicLibrary hndl;
  TAZExecFunc fExec = nullptr;
  TAZVersionFunc fVersionFn = nullptr;
  TAZVersionFunc fPrivFn = nullptr;
  TAZAbortFunc fAbort = nullptr;
  TAZNameFunc fName = nullptr;
  TAZBannerFunc fBannerFn = nullptr;
  void* fPathFn = nullptr;
  int fVer = 0;
  int Priv = 0;
  std::string fPath;
  std::string fBanner;
  std::string fLoadPath;
  int fLoadErr = 0;
  std::string fLoadErrText;
  int fLoading = 0;
  int fHasResDLL = -1;  // no engine is embedded in this program
  std::vector<TZACount> Counts;
};

}  // namespace archive
