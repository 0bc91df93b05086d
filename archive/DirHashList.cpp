#include "archive/DirHashList.h"

#include <algorithm>
#include <cctype>

#include "archive/ArchiveLimits.h"
#include "archive/ZipEntry.h"
#include "platform/Paths.h"

namespace archive {
namespace {
// The chain bit of a hash: its bits mixed, since names ending alike (".txt") share the low
// bits of their hashes and all hashes of one chain share their remainder.
uint32_t HashBit(uint32_t hash) {
  return 1u << ((hash * 2654435761u) >> 27);
}
}  // namespace

const std::vector<uint32_t>& TZADirHashList::TableSizes() {
  static const std::vector<uint32_t> sizes = {
      61,    131,   257,   389,   521,   641,   769,   1031,  1283,  1543,
      2053,  2579,  3593,  4099,  5147,  6151,  7177,  8209,  10243, 12289,
      14341, 16411, 18433, 20483, 22521, 24593, 28687, 32771, 40961, 65537};
  return sizes;
}

void TZADirHashList::Clear() {
  std::fill(chains_.begin(), chains_.end(), TChain{});
  nodes_.clear();
  empties_.clear();
}

void TZADirHashList::SetSize(uint32_t n) {
  const auto& sizes = TableSizes();
  n = std::clamp(n, sizes.front(), sizes.back());
  chains_.assign(n, TChain{});
  nodes_.clear();
  empties_.clear();
}

void TZADirHashList::AutoSize(uint32_t n) {
  const auto& sizes = TableSizes();
  uint32_t chosen = sizes.back();
  if (n < kHashAutoSizeSwitch) {
    chosen = *std::lower_bound(sizes.begin(), sizes.end(), n);
  } else if (n <= sizes.back()) {
    auto it = std::lower_bound(sizes.begin(), sizes.end(), n);
    chosen = it == sizes.begin() ? *it : *(it - 1);
  }
  SetSize(chosen);
}

const TZAIRec* TZADirHashList::Add(const TZAIRec* rec, int index) {
  if (chains_.empty())
    SetSize(kHashDefaultSize);
  const uint32_t hash = rec->NameHash();
  TChain& chain = chains_[hash % chains_.size()];
  const uint32_t bit = HashBit(hash);
  if ((chain.hashBits & bit) != 0) {
    for (int32_t at = chain.head; at >= 0;) {
      const TNode& node = nodes_[static_cast<size_t>(at)];
      if (node.hash == hash && ZipSameName(node.rec->KeyName(), rec->KeyName()))
        return node.rec;
      at = node.next;
    }
  }
  int32_t slot;
  if (!empties_.empty()) {
    slot = empties_.back();
    empties_.pop_back();
  } else {
    slot = static_cast<int32_t>(nodes_.size());
    nodes_.emplace_back();
  }
  nodes_[static_cast<size_t>(slot)] = TNode{-1, hash, rec, index};
  if (chain.tail >= 0)
    nodes_[static_cast<size_t>(chain.tail)].next = slot;
  else
    chain.head = slot;
  chain.tail = slot;
  chain.hashBits |= bit;
  return nullptr;
}

void TZADirHashList::Remove(const TZAIRec* rec) {
  if (chains_.empty())
    return;
  TChain& chain = chains_[rec->NameHash() % chains_.size()];
  int32_t* link = &chain.head;
  int32_t before = -1;
  while (*link >= 0) {
    TNode& node = nodes_[static_cast<size_t>(*link)];
    if (node.rec == rec) {
      const int32_t slot = *link;
      *link = node.next;
      if (chain.tail == slot)
        chain.tail = before;
      node = TNode{};
      empties_.push_back(slot);
      return;
    }
    before = *link;
    link = &node.next;
  }
}

int TZADirHashList::Find(std::string_view name) const {
  if (chains_.empty())
    return -1;
  const uint32_t hash = ZipNameHash(name);
  for (int32_t at = chains_[hash % chains_.size()].head; at >= 0;) {
    const TNode& node = nodes_[static_cast<size_t>(at)];
    if (node.hash == hash && ZipSameName(node.rec->KeyName(), name))
      return node.index;
    at = node.next;
  }
  return -1;
}

}  // namespace archive
