#include "archive/ZADLLOpr.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "archive/ArchiveLimits.h"
#include "archive/MessageIds.h"
#include "archive/ZipStrings.h"
#include "platform/File.h"
#include "platform/Paths.h"

namespace archive {
namespace {

constexpr int kReplyBadRecord = -5;
constexpr int kReplyNothing = -1;
constexpr int kReplyEventError = -4;
constexpr int kResultFatal = -6;
constexpr int kCriticalBeyond = 36;
constexpr uint32_t kMaxPasswordRepeatsReply = 15;
constexpr uint32_t kMsgSeverityMask = 0x700;

int32_t VerbosityValue(TZAVerbosity v) {
  switch (v) {
    case TZAVerbosity::zvVerbose:
      return 1;
    case TZAVerbosity::zvTrace:
      return -1;
    default:
      return 0;
  }
}

}  // namespace

TZADLLOpr::TZADLLOpr(TZipArca19* owner, TZipArcaEvents& events) : TZAWAux(owner, events) {}

TZADLLOpr::~TZADLLOpr() {
  fDestroying = true;
  if (fDidLoad)
    TZADLLLoader::Instance().Unload(*this);
  TZADLLLoader::Instance().Remove(*this);
}

uint32_t TZADLLOpr::ExtractOptionBits(const TZAExtrOpts& options) {
  uint32_t bits = kAZOptAlways;
  bits |= options.Contains(ExtrTest) ? kAZOptTest : kAZOptExtract;
  if (options.Contains(ExtrDirNames))
    bits |= kAZOptDirNames;
  if (options.Contains(ExtrOverWrite))
    bits |= kAZOptOverwrite;
  if (options.Contains(ExtrUpdate)) {
    bits |= kAZOptUpdate;
  } else if (options.Contains(ExtrFreshen)) {
    bits |= kAZOptFreshen;
  }
  if (options.Contains(ExtrNTFS))
    bits |= kAZOptNTFS;
  return bits;
}

void TZADLLOpr::SetDLL_Load(bool load) {
  if (load == fDidLoad)
    return;
  if (load) {
    fDidLoad = TZADLLLoader::Instance().Load(*this) > 0;
  } else {
    TZADLLLoader::Instance().Unload(*this);
    fDidLoad = false;
  }
}

bool TZADLLOpr::DLL_Load() const {
  return fDidLoad && TZADLLLoader::Instance().Loaded(*this);
}

void TZADLLOpr::AbortDLL() {
  TZADLLLoader::Instance().Abort(*this, fDLLOperKey);
}

int TZADLLOpr::TranslateResult(int result) {
  if (result >= 0)
    return result;
  // A cancel recorded during the call says best why the engine stopped.
  if (CancelCode == msg::kUserAbort || CancelCode == msg::kEventException)
    throw EZipArca(CancelCode);
  if (-result > kCriticalBeyond)
    throw EZipArca::Format(msg::kCriticalDllError, {int64_t{-result}});
  if (result == -1 || result == -2)
    throw EZipArca(msg::kUserCancel);
  throw EZipArca(msg::kEngineGood - result);
}

void TZADLLOpr::Extract() {
  try {
    ExtractSteps();
  } catch (EZipArca& error) {
    if (!EventErr.empty())
      error.SetMessage(error.Message() + EventErr);
    ShowError(error);
    // What a stopped engine wrote before it stopped is on disk all the same.
    fSuccessCnt = fBatchWritten;
  }
}

void TZADLLOpr::ExtractSteps() {
  ClearErrors();
  const uint32_t passwordRequests = PasswordReqCount;
  CancelCode = 0;
  fSuccessCnt = 0;
  fBatchWritten = 0;
  fSkippedCnt = 0;
  fSkipRecords.clear();
  if (fZipFileName.empty())
    throw EZipArca(msg::kNoZipFile);
  if (fCentralDir.Count() == 0) {
    List();
    if (fCentralDir.Count() == 0) {
      if (ErrCode == 0)
        throw EZipArca(msg::kCannotOpen);
      return;  // the load already reported why
    }
  }
  if (!ExtrBaseDir.empty() && !ExtrOptions.Contains(ExtrTest)) {
    std::string dir = ExtrBaseDir;
    if (dir.back() != '\\' && dir.back() != '/')
      dir += '\\';
    if (ExtrOptions.Contains(ExtrForceDirs))
      platform::ForceDirectories(dir);
    if (!platform::DirectoryExists(dir))
      throw EZipArca::Format(msg::kExtractDirMissing, {dir});
    ExtrBaseDir = dir;
  }
  fDLLTargetName = fZipFileName;
  TZADLLLoader& loader = TZADLLLoader::Instance();
  if (loader.Load(*this) < 1)
    return;  // the load error is already shown and recorded
  struct TRelease {
    TZADLLOpr& self;
    ~TRelease() {
      TZADLLLoader::Instance().Unload(self);
      self.FSpecArgs.clear();
    }
  } release{*this};
  auto commands = std::make_unique<TDLLCommands>();
  std::memset(commands.get(), 0, sizeof(TDLLCommands));
  commands->fHandle = 0;  // no owner window on this build; the engine never prompts itself
  commands->fCaller = this;
  commands->fVersion = kAZVersion;
  commands->ZCallbackFunc = &TZADLLOpr::CallbackFunc;
  commands->ZStreamFunc = &TZADLLOpr::StreamFunc;
  commands->fVerbosity = VerbosityValue(Verbosity);
  commands->fEncodedAs = Encoding;
  commands->fFromPage = Encoding_CP;
  commands->fOptions = ExtractOptionBits(ExtrOptions);
  commands->fPwdReqCount = passwordRequests;
  commands->fCheck = kAZCommandCheck;
  if (Unattended && Password.empty() && !events_.OnPasswordError)
    Report(0, ZipLoadStr(msg::kUnattendedExtract));
  int result;
  try {
    result = loader.Exec(*this, *commands, fDLLOperKey);
  } catch (const EZipArca&) {
    throw;
  } catch (...) {
    result = kResultFatal;
  }
  fSuccessCnt = TranslateResult(result);
}

int AZ_STDCALL TZADLLOpr::CallbackFunc(TZCallBackStruct* record) {
  if (record == nullptr || record->Check != kAZCallbackCheck)
    return kReplyBadRecord;
  auto* self = static_cast<TZADLLOpr*>(record->Caller);
  if (self == nullptr || self->fDestroying)
    return 0;
  return self->Dispatch(record);
}

int TZADLLOpr::Dispatch(TZCallBackStruct* record) {
  fCallback.Hold(record);
  const int action = record->ActionCode & kAZActionMask;
  int result = 0;
  try {
    result = Action(record);
    if (action >= zacNewName && action <= zacNone)
      KeepAlive();
    if (CancelCode != 0)
      result = kAZReplyAbort;
  } catch (const std::exception& error) {
    if (EventErr.empty())
      EventErr = " #" + std::to_string(action) + " \"" + error.what() + "\"";
    CancelCode = msg::kEventException;
    result = kReplyEventError;
  } catch (...) {
    if (EventErr.empty())
      EventErr = " #" + std::to_string(action) + " \"\"";
    CancelCode = msg::kEventException;
    result = kReplyEventError;
  }
  fCallback.Release();
  return result;
}

int TZADLLOpr::Action(TZCallBackStruct* r) {
  switch (r->ActionCode & kAZActionMask) {
    case zacItem:
      fProgress.Written = r->Written;
      fProgress.NewItem(fCallback.Msg(), r->File_Size);
      RaiseProgress();
      return r->File_Size == -1 && fProgress.Stop ? 1 : 0;
    case zacProgress:
      fProgress.Written = r->Written;
      fProgress.Advance(r->File_Size);
      RaiseProgress();
      return 0;
    case zacEndOfBatch:
      fProgress.Written = r->Written;
      fBatchWritten = static_cast<int>(std::min<uint32_t>(r->Arg1, INT32_MAX));
      fSkippedCnt = static_cast<int>(std::min<uint32_t>(r->Arg2, INT32_MAX));
      if (fProgress.EndBatch())
        RaiseProgress();
      return 0;
    case zacCount:
      fProgress.SetCount(static_cast<int>(r->Arg1));
      RaiseProgress();
      return 0;
    case zacSize:
      fProgress.SetSize(r->File_Size);
      RaiseProgress();
      return 0;
    case zacXItem:
      fProgress.NewExtraItem(ZipLoadStr(ZipExtraItemMessage(r->Arg1)), r->File_Size);
      RaiseProgress();
      return 0;
    case zacXProgress:
      fProgress.AdvanceExtra(r->File_Size);
      RaiseProgress();
      return 0;
    case zacMessage:
      return ActionMessage(r);
    case zacNewName: {
      if (!events_.OnSetAddName)
        return 0;
      std::string name = fCallback.Msg();
      bool changed = false;
      events_.OnSetAddName(owner_, name, changed);
      if (!changed)
        return 0;
      fCallback.ReplyWide(name);
      return 1;
    }
    case zacPassword:
      return ActionPassword(r);
    case zacCRCError: {
      if (!events_.OnCRC32Error)
        return 0;
      bool doExtract = true;
      events_.OnCRC32Error(owner_, fCallback.Msg(), r->Arg1, r->Arg2, doExtract);
      return doExtract ? 1 : 3;
    }
    case zacOverwrite: {
      if (!events_.OnExtractOverwrite)
        return 0;
      bool doOverwrite = r->Arg1 != 0;
      events_.OnExtractOverwrite(owner_, fCallback.Msg(), r->Arg3 != 2, doOverwrite,
                                 static_cast<int>(r->Arg2));
      return doOverwrite ? 1 : 2;
    }
    case zacSkipped:
      return ActionSkipped(r);
    case zacComment: {
      if (!events_.OnFileComment)
        return 0;
      std::string comment;
      bool changed = false;
      events_.OnFileComment(owner_, fCallback.Msg(), comment, changed);
      if (!changed)
        return 0;
      fCallback.ReplyWide(comment.substr(0, 255));
      return 1;
    }
    case zacData:
      return 0;  // compression level and extra data serve adding only
    case zacExtName:
      return ActionExtName(r);
    case zacKey:
      fDLLOperKey = static_cast<int32_t>(r->Arg1);
      return 0;
    case zacArg:
      return ActionArg(r);
    default:
      return kReplyNothing;  // zacTick, zacNone, zacWinErr
  }
}

int TZADLLOpr::ActionMessage(TZCallBackStruct* r) {
  std::string text = fCallback.Msg();
  const uint32_t e = r->Arg1;
  if (static_cast<int32_t>(e) > 0 && DllErrCode == 0)
    DllErrCode = static_cast<int>(e);
  const int id = ZipEngineCodeMessage(e & 0xFF);
  if ((e & kMsgSeverityMask) >= kAZMsgError && (e & kAZMsgPrefix) != 0 && id != 0)
    text = ZipLoadStr(id) + text;
  if (id != 0 && ErrCode == 0) {
    ErrCode = id;
    ErrMessage = text;
  }
  if (events_.OnMessage)
    events_.OnMessage(owner_, id, text);
  KeepAlive();
  return 0;
}

int TZADLLOpr::ActionPassword(TZCallBackStruct* r) {
  uint32_t repeat = r->Arg1;
  TMsgDlgBtn response = TMsgDlgBtn::mbOK;
  std::string password;
  if (events_.OnPasswordError) {
    std::string offered;
    events_.OnPasswordError(owner_, r->IsOperationZip != 0, offered, fCallback.Msg(), repeat,
                            response);
    if (response == TMsgDlgBtn::mbOK)
      password = offered;
  } else if (Unattended) {
    Report(0, ZipLoadStr(msg::kNoExtractPassword));
  } else {
    const int answer = PasswordDialog(fCallback.Msg(), password);
    if (answer == kResultOK) {
      response = TMsgDlgBtn::mbOK;
    } else if (answer == kResultCancel) {
      response = TMsgDlgBtn::mbCancel;
    } else if (answer == kResultAll) {
      response = TMsgDlgBtn::mbNoToAll;
    } else {
      response = TMsgDlgBtn::mbAbort;
    }
    if (response != TMsgDlgBtn::mbOK)
      password.clear();
  }
  int result;
  if (!password.empty()) {
    fCallback.ReplyWide(password);
    result = 1;
  } else {
    result = 2;
    repeat = 0;
  }
  r->Arg1 = std::min(repeat, kMaxPasswordRepeatsReply);
  switch (response) {
    case TMsgDlgBtn::mbCancel:
      return 2;
    case TMsgDlgBtn::mbNoToAll:
      return 3;
    case TMsgDlgBtn::mbAbort:
      CancelCode = msg::kUserAbort;
      return -3;
    default:
      return result;
  }
}

int TZADLLOpr::ActionSkipped(TZCallBackStruct* r) {
  const int32_t raw = static_cast<int32_t>(r->Arg1);
  const uint32_t code = static_cast<uint32_t>(raw < 0 ? -static_cast<int64_t>(raw) : raw);
  if (code != 0 && DllErrCode == 0)
    DllErrCode = static_cast<int>(code);
  int error = ZipEngineCodeMessage(code & 0xFF);
  const auto type = static_cast<TZASkipTypes>(r->Arg2 - 1);
  const bool mustNotSkip = r->Arg2 >= 1 && r->Arg2 <= 18 && NoSkipping.Contains(type);
  if (mustNotSkip && error == 0)
    error = msg::kSkippingNotAllowed;
  if (mustNotSkip)
    error = -error;
  const std::string file = fCallback.Msg();
  if (fSkipRecords.size() < kMaxSkipRecords)
    fSkipRecords.push_back({file, type, error});
  if (events_.OnSkipped) {
    events_.OnSkipped(owner_, file, type, error);
  } else if (Verbose() && events_.OnMessage) {
    events_.OnMessage(owner_, msg::kUnknownErrorCode,
                      ZipFmtLoadStr(msg::kSkippedFile, {file, int64_t{r->Arg2 - 1}}));
  }
  return error < 0 ? 1 : 0;
}

int TZADLLOpr::ActionExtName(TZCallBackStruct* r) {
  if (!events_.OnSetExtName)
    return 0;
  const std::string old = fCallback.Msg();
  std::string name = old;
  std::string base = fCallback.Msg2();
  for (char& c : base) {
    if (c == '/')
      c = '\\';
  }
  bool changed = false;
  events_.OnSetExtName(owner_, name, base, changed);
  auto endsWithSeparator = [](const std::string& s) {
    return !s.empty() && (s.back() == '\\' || s.back() == '/');
  };
  if (!changed || name == old || endsWithSeparator(name) != endsWithSeparator(old))
    return 0;
  (void)r;
  fCallback.ReplyWide(name);
  return 1;
}

int TZADLLOpr::ActionArg(TZCallBackStruct* r) {
  const uint32_t which = r->Arg1;
  const int32_t index = r->Arg3;
  if (which > zaaTempDir)
    return kReplyBadRecord;
  if ((which == zaaFSpecArgs || which == zaaFSpecArgsExcl) && index < 0)
    return kReplyBadRecord;
  switch (which) {
    case zaaArchivePath:
      fCallback.ReplyWide(fDLLTargetName);
      return 1;
    case zaaPassword:
      fCallback.ReplyWide(Password);
      return 1;
    case zaaRootDir:
      fCallback.ReplyWide(RootDir);
      return 1;
    case zaaExtrBaseDir:
      fCallback.ReplyWide(ExtrBaseDir);
      return 1;
    case zaaComment:
      fCallback.ReplyBytes(ZipComment);
      r->Arg1 = static_cast<uint32_t>(ZipComment.size());
      return 1;
    case zaaFSpecArgs:
    case zaaFSpecArgsExcl: {
      const auto& list = which == zaaFSpecArgs ? FSpecArgs : FSpecArgsExcl;
      r->Arg3 = static_cast<int32_t>(list.size());
      if (static_cast<size_t>(index) >= list.size())
        return 0;
      fCallback.ReplyWide(list[static_cast<size_t>(index)]);
      return 1;
    }
    case zaaStoreSuffixes:
      fCallback.ReplyWide("");
      return 1;
    case zaaTempDir:
      fCallback.ReplyWide(TempDir);
      return 1;
    default:
      return kReplyBadRecord;
  }
}

int AZ_STDCALL TZADLLOpr::StreamFunc(TZStreamRec* record) {
  if (record == nullptr || record->Check != kAZStreamCheck)
    return kReplyBadRecord;
  auto* self = static_cast<TZADLLOpr*>(record->Caller);
  if (self == nullptr || self->fDestroying)
    return 0;
  try {
    return self->Stream(record);
  } catch (...) {
    return kReplyBadRecord;
  }
}

int TZADLLOpr::Stream(TZStreamRec* r) {
  auto* stream = static_cast<TZAStream*>(r->StrmP);
  switch (r->OpCode) {
    case 0:
    case 1:
    case 2: {
      // Identify, open and close go to the handler; without one there is nothing to pipe.
      if (!events_.OnStream)
        return 0;
      TZAStream* strm = stream;
      int64_t stat = r->ArgLL;
      bool done = false;
      events_.OnStream(owner_, static_cast<TZAStreamOp>(r->OpCode), r->Number, strm, stat, done);
      r->StrmP = strm;
      if (r->OpCode == 0)
        r->ArgLL = stat;
      return done ? 1 : 0;
    }
    case 3: {
      if (stream == nullptr)
        return 0;
      r->ArgLL = stream->Seek(r->ArgLL, r->ArgI);
      return r->ArgLL >= 0 ? 1 : 0;
    }
    case 4: {
      if (stream == nullptr || r->ArgI < 0)
        return 0;
      const int64_t left = stream->Size() - stream->Seek(0, 1);
      const int64_t want = std::min<int64_t>(r->ArgI, std::max<int64_t>(left, 0));
      const int64_t got = stream->Read(r->BufP, want);
      const bool all = got == r->ArgI;
      r->ArgI = static_cast<int32_t>(got < 0 ? 0 : got);
      return all ? 1 : 0;
    }
    case 5: {
      if (stream == nullptr || r->ArgI < 0)
        return 0;
      const int64_t put = stream->Write(r->BufP, r->ArgI);
      const bool all = put == r->ArgI;
      r->ArgI = static_cast<int32_t>(put < 0 ? 0 : put);
      return all ? 1 : 0;
    }
    default:
      return 0;
  }
}

}  // namespace archive
