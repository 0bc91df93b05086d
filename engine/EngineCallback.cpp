#include "engine/EngineCallback.h"

#include <algorithm>

#include "engine/EngineLimits.h"
#include "platform/CodePage.h"

namespace arcazip {
namespace {

// What each answer to a password request means.
constexpr int kPasswordGiven = 1;
constexpr int kPasswordNone = 2;
constexpr int kPasswordNoneForAll = 3;
constexpr int kCrcKeep = 1;

}  // namespace

TEngineCallback::TEngineCallback(const TDLLCommands& commands, const std::atomic<bool>& abortAsked)
    : commands_(commands), abortAsked_(abortAsked) {}

int TEngineCallback::Call(int32_t action, std::string_view text, int64_t size, uint32_t arg1,
                          uint32_t arg2, int32_t arg3) {
  if (commands_.ZCallbackFunc == nullptr)
    return 0;
  text_ = platform::Utf8ToUtf16(text);
  record_ = TZCallBackStruct{};
  record_.Caller = commands_.fCaller;
  record_.Version = kAZVersion;
  record_.IsOperationZip = 0;
  record_.ActionCode = action;
  record_.HaveWide = 1;
  record_.MsgP = text_.c_str();
  record_.Msg2P = nullptr;
  record_.File_Size = size;
  record_.Written = written_;
  record_.Arg1 = arg1;
  record_.Arg2 = arg2;
  record_.Arg3 = arg3;
  record_.Check = kAZCallbackCheck;
  const int reply = commands_.ZCallbackFunc(&record_);
  if (reply == kAZReplyAbort)
    aborted_ = true;
  return reply;
}

std::string TEngineCallback::ReplyText() const {
  if (record_.MsgP == nullptr)
    return {};
  if (record_.HaveWide != 0) {
    const auto* p = static_cast<const char16_t*>(record_.MsgP);
    size_t n = 0;
    while (n < kMaxReplyChars && p[n] != 0)
      ++n;
    return platform::Utf16ToUtf8(std::u16string_view(p, n));
  }
  const auto* p = static_cast<const char*>(record_.MsgP);
  size_t n = 0;
  while (n < kMaxReplyChars && p[n] != 0)
    ++n;
  return std::string(p, n);
}

void TEngineCallback::Key(int32_t key) {
  Call(zacKey, {}, 0, static_cast<uint32_t>(key));
}

void TEngineCallback::Count(uint32_t files) {
  Call(zacCount, {}, 0, files);
}

void TEngineCallback::Size(int64_t bytes) {
  Call(zacSize, {}, bytes);
}

void TEngineCallback::Item(std::string_view name, int64_t size) {
  Call(zacItem, name, size);
}

void TEngineCallback::Progress(int64_t bytes) {
  written_ += bytes;
  Call(zacProgress, {}, bytes);
}

void TEngineCallback::EndOfBatch(uint32_t written, uint32_t skipped) {
  Call(zacEndOfBatch, {}, 0, written, skipped);
}

void TEngineCallback::Message(TAZError code, std::string_view text, bool error) {
  uint32_t value = static_cast<uint32_t>(code);
  if (error)
    value |= kAZMsgError | kAZMsgPrefix;
  Call(zacMessage, text, 0, value);
}

bool TEngineCallback::Skipped(std::string_view name, TZASkipTypes type, TAZError code) {
  return Call(zacSkipped, name, 0, static_cast<uint32_t>(code), static_cast<uint32_t>(type) + 1) ==
         1;
}

std::string TEngineCallback::ArgText(TZArgRequest which, bool* found) {
  const int reply = Call(zacArg, {}, 0, which);
  if (found != nullptr)
    *found = reply == 1;
  return reply == 1 ? ReplyText() : std::string();
}

std::vector<std::string> TEngineCallback::ArgList(TZArgRequest which) {
  std::vector<std::string> items;
  // The component answers 0 past the end; the bound only guards against one that never does.
  for (int32_t index = 0; index < static_cast<int32_t>(kMaxReplyChars); ++index) {
    if (Call(zacArg, {}, 0, which, 0, index) != 1)
      break;
    items.push_back(ReplyText());
    if (record_.Arg3 > 0 && index + 1 >= record_.Arg3)
      break;
  }
  return items;
}

TEngineCallback::TPasswordReply TEngineCallback::Password(std::string_view name, uint32_t& repeats,
                                                          std::string& password) {
  const int reply = Call(zacPassword, name, 0, std::min(repeats, kMaxPasswordRepeats));
  repeats = record_.Arg1;
  if (reply == kPasswordGiven) {
    password = ReplyText();
    return password.empty() ? TPasswordReply::None : TPasswordReply::Given;
  }
  if (reply == kPasswordNoneForAll)
    return TPasswordReply::NoneForAll;
  if (reply == kPasswordNone || reply == 0)
    return TPasswordReply::None;
  return TPasswordReply::Abort;
}

int TEngineCallback::Overwrite(std::string_view name, bool existingIsOlder, uint32_t index) {
  constexpr int32_t kOlder = 1, kNotOlder = 2;
  return Call(zacOverwrite, name, 0, 0, index, existingIsOlder ? kOlder : kNotOlder);
}

bool TEngineCallback::CrcError(std::string_view name, uint32_t found, uint32_t expected) {
  return Call(zacCRCError, name, 0, found, expected) == kCrcKeep;
}

}  // namespace arcazip
