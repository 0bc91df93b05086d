#include "bench/extract/EngineRun.h"

#include <cstdio>

#include "platform/CodePage.h"

namespace bench {
namespace {

struct TMinimalCaller {
  std::string archive, dest;
  std::u16string reply;
};

int AZ_STDCALL MinimalCallback(TZCallBackStruct* record) {
  auto* self = static_cast<TMinimalCaller*>(record->Caller);
  if ((record->ActionCode & kAZActionMask) != zacArg)
    return 0;
  const auto reply = [&](const std::string& text) {
    self->reply = platform::Utf8ToUtf16(text);
    record->HaveWide = 1;
    record->MsgP = self->reply.c_str();
    return 1;
  };
  switch (record->Arg1) {
    case zaaArchivePath:
      return reply(self->archive);
    case zaaExtrBaseDir:
      return reply(self->dest);
    case zaaFSpecArgs: {
      const bool first = record->Arg3 == 0;
      record->Arg3 = 1;
      return first ? reply("*.*") : 0;
    }
    default:
      return 0;
  }
}

}  // namespace

bool ExtractWithEngine(TAZExecFunc exec, const std::string& archive, const std::string& dest,
                       uint64_t expectFiles, bool dirNames) {
  TMinimalCaller caller{archive, dest, {}};
  TDLLCommands commands{};
  commands.fCaller = &caller;
  commands.fVersion = kAZVersion;
  commands.ZCallbackFunc = &MinimalCallback;
  commands.fOptions =
      kAZOptAlways | kAZOptExtract | kAZOptOverwrite | (dirNames ? kAZOptDirNames : 0);
  commands.fPwdReqCount = 1;
  commands.fCheck = kAZCommandCheck;
  const int32_t result = exec(&commands);
  if (result != static_cast<int32_t>(expectFiles)) {
    std::fprintf(stderr, "engine extracted %d of %llu files\n", static_cast<int>(result),
                 static_cast<unsigned long long>(expectFiles));
    return false;
  }
  return true;
}

}  // namespace bench
