#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/AZCallback.h"
#include "archive/DLLLoader.h"
#include "archive/ZAWAux.h"
#include "engine/ArcaZipContract.h"

// The worker's engine part: holding the engine loaded, the extract operation with its command
// block, the callback and stream dispatchers, and the translation of the engine's result.
namespace archive {

// One skip report of the engine during an extract: the entry, why, and the component's error.
struct TZASkipRecord {
  std::string file;
  TZASkipTypes type = stOnFreshen;
  int error = 0;
};

class TZADLLOpr : public TZAWAux, public IZALoaderClient {
 public:
  TZADLLOpr(TZipArca19* owner, TZipArcaEvents& events);
  ~TZADLLOpr() override;

  // The DLL_Load property: true takes a count the worker keeps; false releases it.
  void SetDLL_Load(bool load);
  bool DLL_Load() const;
  // Extracts the selected entries; errors end in the error state, never thrown.
  void Extract();
  void AbortDLL();
  // Files the last extract wrote (tested), also when it stopped part-way: a stopped engine
  // reports what it wrote in its end-of-batch report.
  int SuccessCnt() const { return fSuccessCnt; }
  // Entries the last extract skipped (not written), as the engine counted them.
  int SkippedCnt() const { return fSkippedCnt; }
  // Its skip reports in order, at most kMaxSkipRecords of them.
  const std::vector<TZASkipRecord>& SkippedFiles() const { return fSkipRecords; }
  // The worker is going away: callbacks get 0 from now on.
  void BeginDestroy() { fDestroying = true; }

  // The callback and stream functions handed to the engine.
  static int AZ_STDCALL CallbackFunc(TZCallBackStruct* record);
  static int AZ_STDCALL StreamFunc(TZStreamRec* record);

  // The extract option bits for the options.
  static uint32_t ExtractOptionBits(const TZAExtrOpts& options);

  // IZALoaderClient
  std::string EngineDirectory() const override { return DLLDirectory; }
  bool IsVerbose() const override { return Verbose(); }
  void ShowLoadError(const EZipArca& error) override { ShowError(error); }
  void ReportVerbose(const std::string& text) override { Report(0, text); }

 private:
  void ExtractSteps();
  int Dispatch(TZCallBackStruct* record);
  int Action(TZCallBackStruct* record);
  int ActionMessage(TZCallBackStruct* record);
  int ActionPassword(TZCallBackStruct* record);
  int ActionSkipped(TZCallBackStruct* record);
  int ActionArg(TZCallBackStruct* record);
  int ActionExtName(TZCallBackStruct* record);
  int Stream(TZStreamRec* record);
  int TranslateResult(int result);

  bool fDidLoad = false;
  int32_t fDLLOperKey = 0;
  TAZCallback fCallback;
  int fSuccessCnt = 0;
  int fBatchWritten = 0;  // from the engine's end-of-batch report
  int fSkippedCnt = 0;
  std::vector<TZASkipRecord> fSkipRecords;
  std::string fDLLTargetName;
  bool fDestroying = false;
};

}  // namespace archive
