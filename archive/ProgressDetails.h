#pragma once
#include <cstdint>
#include <string>

// What OnProgress shows: the current item, the batch totals and the kind of the last report.
namespace archive {

enum class TZAProgressType {
  NewFile,
  ProgressUpdate,
  EndOfItem,
  EndOfBatch,
  TotalFiles2Process,
  TotalSize2Process,
  NewExtra,
  ExtraUpdate
};

class TZAProgressDetails {
 public:
  virtual ~TZAProgressDetails() = default;

  TZAProgressType ProgType = TZAProgressType::EndOfBatch;
  int ItemNumber = 0;
  std::string ItemName;
  int64_t ItemSize = 0;
  int64_t ItemPosition = 0;
  int TotalCount = 0;
  int64_t TotalSize = 0;
  int64_t TotalPosition = 0;
  int64_t Written = 0;
  bool Stop = false;

  // 100 x position div size (64-bit integer division); 0 when either is not positive.
  int ItemPerCent() const { return PerCent(ItemPosition, ItemSize); }
  int TotalPerCent() const { return PerCent(TotalPosition, TotalSize); }

 private:
  static int PerCent(int64_t position, int64_t size) {
    if (size <= 0 || position <= 0)
      return 0;
    return static_cast<int>((100 * position) / size);
  }
};

// The worker's details: each report updates them and says which event to raise.
class TProgDetails : public TZAProgressDetails {
 public:
  void NewItem(const std::string& name, int64_t size);
  void Advance(int64_t delta);
  void EndItem();
  // False when no batch is open (then no event is raised).
  bool EndBatch();
  void SetCount(int count);
  void SetSize(int64_t size);
  void NewExtraItem(const std::string& name, int64_t size);
  void AdvanceExtra(int64_t delta);

 private:
  bool batchOpen_ = false;
};

}  // namespace archive
