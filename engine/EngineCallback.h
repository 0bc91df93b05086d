#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ArcaZipContract.h"

// The engine's side of the callback: fills the record, calls the component, reads its
// answer. Every call happens on the thread that called "AZ_Exec". An answer of -2 (or an abort
// asked through "AZ_Abort") makes Aborted() true, and the operation stops at its next block.
namespace arcazip {

class TEngineCallback {
 public:
  TEngineCallback(const TDLLCommands& commands, const std::atomic<bool>& abortAsked);

  bool Aborted() const { return aborted_ || abortAsked_.load(std::memory_order_relaxed); }

  void Key(int32_t key);
  void Count(uint32_t files);
  void Size(int64_t bytes);
  void Item(std::string_view name, int64_t size);
  void Progress(int64_t bytes);
  // Ends the batch with the files written (tested, in a test) and the entries skipped, also
  // when the operation stops early, so the component knows what a stopped batch left behind.
  void EndOfBatch(uint32_t written, uint32_t skipped);
  // A failure or notice about the operation or one entry. Errors carry the severity bits
  // that put the component's text for `code` in front of `text`.
  void Message(TAZError code, std::string_view text, bool error = true);
  // Reports a skipped entry; true when the component wants the operation stopped.
  bool Skipped(std::string_view name, TZASkipTypes type, TAZError code);

  // Asks for a text argument; `found` tells whether the component had one.
  std::string ArgText(TZArgRequest which, bool* found = nullptr);
  // Asks for every entry of a list argument (patterns to include or exclude).
  std::vector<std::string> ArgList(TZArgRequest which);

  enum class TPasswordReply { Given, None, NoneForAll, Abort };
  // Asks for a password for `name`; `repeats` goes out as the remaining count and comes back
  // as the component set it.
  TPasswordReply Password(std::string_view name, uint32_t& repeats, std::string& password);
  // Asks whether to overwrite; 1 overwrite, 2 keep, 0 let the option bits decide.
  int Overwrite(std::string_view name, bool existingIsOlder, uint32_t index);
  // Reports a CRC mismatch; true when the component wants the file kept anyway.
  bool CrcError(std::string_view name, uint32_t found, uint32_t expected);

 private:
  int Call(int32_t action, std::string_view text, int64_t size = 0, uint32_t arg1 = 0,
           uint32_t arg2 = 0, int32_t arg3 = 0);
  std::string ReplyText() const;

  const TDLLCommands& commands_;
  const std::atomic<bool>& abortAsked_;
  TZCallBackStruct record_{};
  std::u16string text_;
  int64_t written_ = 0;
  bool aborted_ = false;
};

}  // namespace arcazip
