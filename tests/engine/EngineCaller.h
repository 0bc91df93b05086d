#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/ArcaZipContract.h"
#include "platform/DynamicLibrary.h"

namespace varelo::test {

// One callback as the engine made it.
struct TEngineEvent {
  int action = 0;
  std::string text;
  int64_t size = 0;
  uint32_t arg1 = 0, arg2 = 0;
  int32_t arg3 = 0;
};

// Plays the archive component towards ArcaZip190.dll: loads the library by path, fills the
// command block, answers the callbacks from its settings and scripts, and records them all.
class TEngineCaller {
 public:
  // Loads the library built beside the tests.
  TEngineCaller();
  bool Loaded() const { return exec_ != nullptr; }
  platform::TDynamicLibrary& Library() { return library_; }

  // What the component would hand over.
  std::string archive;
  std::string baseDir;
  std::string password;
  std::string tempDir;
  std::vector<std::string> specs{"*.*"};
  std::vector<std::string> excludes;
  uint32_t options = kAZOptAlways | kAZOptExtract | kAZOptOverwrite;
  uint32_t passwordRequests = 1;

  // Scripted answers. Passwords are given in order (result, text); once used up the answer
  // is 2 (none). Overwrite and CRC answers apply to every question.
  std::deque<std::pair<int, std::string>> passwordAnswers;
  int overwriteAnswer = 0;
  int crcAnswer = 0;
  int skipAnswer = 0;
  // Called on every callback before it is answered; a non-zero return replaces the answer.
  std::function<int(const TEngineEvent&)> hook;

  int32_t Run();
  // Asks the running operation to stop through "AZ_Abort" (from inside a callback).
  void AbortRunning();

  const std::vector<TEngineEvent>& Events() const { return events_; }
  std::vector<TEngineEvent> EventsOf(int action) const;
  // Action codes in order, for comparing sequences.
  std::vector<int> Actions() const;

 private:
  static int AZ_STDCALL Callback(TZCallBackStruct* record);
  int Answer(TZCallBackStruct& record, const TEngineEvent& event);
  void Reply(TZCallBackStruct& record, const std::string& text);

  platform::TDynamicLibrary library_;
  TAZExecFunc exec_ = nullptr;
  TAZAbortFunc abort_ = nullptr;
  int32_t key_ = 0;
  std::vector<TEngineEvent> events_;
  std::u16string reply_;
};

// Host path of the engine library under test.
std::string EngineLibraryPath();

}  // namespace varelo::test
