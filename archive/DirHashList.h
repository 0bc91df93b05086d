#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

// The name index of a loaded directory: chains of entries by name hash. Names are equal when
// their case-folded forms are; a lookup compares hashes first, then names.
namespace archive {

class TZAIRec;

class TZADirHashList {
 public:
  // Sizes the table for n names: for fewer than 12,000 the first size of the list at least n,
  // otherwise the largest size below n (the largest of all when n exceeds it).
  void AutoSize(uint32_t n);
  // Clears the table and sizes it, clamped to the smallest and largest size of the list.
  void SetSize(uint32_t n);
  uint32_t Size() const { return static_cast<uint32_t>(chains_.size()); }
  void Clear();
  // Room for n entries, so indexing a directory of a known (and checked) size allocates once.
  void Reserve(uint32_t n) { nodes_.reserve(n); }

  // Indexes the record; returns nullptr when added, else the present record of the same name
  // (the new one is then not indexed).
  const TZAIRec* Add(const TZAIRec* rec, int index);
  void Remove(const TZAIRec* rec);
  // The index in Entries of the record named so, or -1.
  int Find(std::string_view name) const;

  static const std::vector<uint32_t>& TableSizes();

 private:
  struct TNode {
    int32_t next = -1;
    uint32_t hash = 0;  // kept here so walking a chain touches no record
    const TZAIRec* rec = nullptr;
    int index = -1;
  };
  // A chain's first and last node, and one bit (of 32) for every hash in it: a name
  // whose bit is clear has no equal in the chain, so it is appended at the tail without
  // walking the chain. Bits are never cleared; a removal only makes walks more frequent.
  struct TChain {
    int32_t head = -1;
    int32_t tail = -1;
    uint32_t hashBits = 0;
  };
  std::vector<TChain> chains_;
  // Nodes are named by their position, so they live in one array (walking a chain touches
  // one node per step); removed nodes are reused first.
  std::vector<TNode> nodes_;
  std::vector<int32_t> empties_;
};

}  // namespace archive
