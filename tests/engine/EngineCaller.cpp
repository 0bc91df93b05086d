#include "tests/engine/EngineCaller.h"

#include <cstdlib>

#include "platform/CodePage.h"

namespace varelo::test {

std::string EngineLibraryPath() {
  // Another build of the library may be tried against the same tests.
  if (const char* other = std::getenv("VARELO_ENGINE_LIBRARY"); other != nullptr && *other != 0)
    return other;
  return ARCAZIP_DLL_PATH;
}

TEngineCaller::TEngineCaller() {
  if (!library_.Load(EngineLibraryPath()))
    return;
  exec_ = library_.Function<TAZExecFunc>("AZ_Exec");
  abort_ = library_.Function<TAZAbortFunc>("AZ_Abort");
}

int32_t TEngineCaller::Run() {
  events_.clear();
  TDLLCommands commands{};
  commands.fCaller = this;
  commands.fVersion = kAZVersion;
  commands.ZCallbackFunc = &TEngineCaller::Callback;
  commands.fOptions = options;
  commands.fPwdReqCount = passwordRequests;
  commands.fCheck = kAZCommandCheck;
  const int32_t result = exec_(&commands);
  key_ = 0;
  return result;
}

void TEngineCaller::AbortRunning() {
  if (key_ != 0)
    abort_(key_);
}

std::vector<TEngineEvent> TEngineCaller::EventsOf(int action) const {
  std::vector<TEngineEvent> out;
  for (const TEngineEvent& e : events_) {
    if (e.action == action)
      out.push_back(e);
  }
  return out;
}

std::vector<int> TEngineCaller::Actions() const {
  std::vector<int> out;
  for (const TEngineEvent& e : events_)
    out.push_back(e.action);
  return out;
}

int AZ_STDCALL TEngineCaller::Callback(TZCallBackStruct* record) {
  if (record->Check != kAZCallbackCheck)
    return -5;
  auto* self = static_cast<TEngineCaller*>(record->Caller);
  TEngineEvent event;
  event.action = record->ActionCode & kAZActionMask;
  if (record->MsgP != nullptr) {
    if (record->HaveWide != 0) {
      event.text = platform::Utf16ToUtf8(static_cast<const char16_t*>(record->MsgP));
    } else {
      event.text = static_cast<const char*>(record->MsgP);
    }
  }
  event.size = record->File_Size;
  event.arg1 = record->Arg1;
  event.arg2 = record->Arg2;
  event.arg3 = record->Arg3;
  self->events_.push_back(event);
  if (self->hook) {
    if (const int forced = self->hook(event); forced != 0)
      return forced;
  }
  return self->Answer(*record, event);
}

void TEngineCaller::Reply(TZCallBackStruct& record, const std::string& text) {
  reply_ = platform::Utf8ToUtf16(text);
  record.HaveWide = 1;
  record.MsgP = reply_.c_str();
}

int TEngineCaller::Answer(TZCallBackStruct& record, const TEngineEvent& event) {
  switch (event.action) {
    case zacKey:
      key_ = static_cast<int32_t>(event.arg1);
      return 0;
    case zacArg: {
      const auto list = [&](const std::vector<std::string>& items) {
        record.Arg3 = static_cast<int32_t>(items.size());
        if (event.arg3 < 0 || static_cast<size_t>(event.arg3) >= items.size())
          return 0;
        Reply(record, items[static_cast<size_t>(event.arg3)]);
        return 1;
      };
      switch (event.arg1) {
        case zaaArchivePath:
          Reply(record, archive);
          return 1;
        case zaaPassword:
          Reply(record, password);
          return 1;
        case zaaExtrBaseDir:
          Reply(record, baseDir);
          return 1;
        case zaaTempDir:
          Reply(record, tempDir);
          return 1;
        case zaaFSpecArgs:
          return list(specs);
        case zaaFSpecArgsExcl:
          return list(excludes);
        default:
          return -5;
      }
    }
    case zacPassword: {
      if (passwordAnswers.empty())
        return 2;
      auto [result, text] = passwordAnswers.front();
      passwordAnswers.pop_front();
      Reply(record, text);
      return result;
    }
    case zacOverwrite:
      return overwriteAnswer;
    case zacCRCError:
      return crcAnswer;
    case zacSkipped:
      return skipAnswer;
    default:
      return 0;
  }
}

}  // namespace varelo::test
