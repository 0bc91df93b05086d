#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "engine/ArcaZipContract.h"

// The wrapper of the callback record the engine is asking through: holds the record for the
// length of one callback and owns the reply buffer through which texts and data go back. The
// buffer lives until the next reply, so the engine may read it after the callback returned.
namespace archive {

class TAZCallback {
 public:
  void Hold(TZCallBackStruct* record) { fRecord = record; }
  void Release() { fRecord = nullptr; }
  TZCallBackStruct* Record() const { return fRecord; }

  // The texts of the record, in UTF-8 whatever the engine sent.
  std::string Msg() const;
  std::string Msg2() const;

  // Replies: the text as UTF-16 (HaveWide = 1) or as 8-bit bytes (HaveWide = 0); MsgP points
  // at the reply, which is followed by 4 zero bytes.
  void ReplyWide(const std::string& utf8);
  void ReplyBytes(const std::string& bytes);
  size_t HoldSize() const { return fHeldData.size(); }
  const void* HeldData() const { return fHeldData.data(); }

 private:
  void Reserve(size_t length);
  std::string Text(const void* p) const;

  TZCallBackStruct* fRecord = nullptr;
  std::vector<char> fHeldData;
};

}  // namespace archive
