#include "archive/ProgressDetails.h"

namespace archive {

void TProgDetails::NewItem(const std::string& name, int64_t size) {
  ProgType = TZAProgressType::NewFile;
  ++ItemNumber;
  ItemName = name;
  ItemSize = size;
  ItemPosition = 0;
}

void TProgDetails::Advance(int64_t delta) {
  ProgType = TZAProgressType::ProgressUpdate;
  ItemPosition += delta;
  TotalPosition += delta;
}

void TProgDetails::EndItem() {
  ProgType = TZAProgressType::EndOfItem;
}

bool TProgDetails::EndBatch() {
  if (!batchOpen_)
    return false;
  batchOpen_ = false;
  ProgType = TZAProgressType::EndOfBatch;
  return true;
}

void TProgDetails::SetCount(int count) {
  ProgType = TZAProgressType::TotalFiles2Process;
  TotalCount = count;
}

void TProgDetails::SetSize(int64_t size) {
  ProgType = TZAProgressType::TotalSize2Process;
  batchOpen_ = true;
  TotalSize = size;
  TotalPosition = 0;
  ItemPosition = 0;
  ItemNumber = 0;
  Stop = false;
}

void TProgDetails::NewExtraItem(const std::string& name, int64_t size) {
  ProgType = TZAProgressType::NewExtra;
  ItemName = name;
  ItemSize = size;
  ItemPosition = 0;
}

void TProgDetails::AdvanceExtra(int64_t delta) {
  ProgType = TZAProgressType::ExtraUpdate;
  ItemPosition += delta;
}

}  // namespace archive
