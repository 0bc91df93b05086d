#include "archive/CenDir.h"

namespace archive {
namespace {
const TZAIRec& EmptyEntry() {
  static const TZAIRec empty;
  return empty;
}
}  // namespace

bool TZACentralEntry::Stale() const {
  return owner_ == nullptr || owner_->current_ == nullptr || owner_->current_->CheckNo != loadNo_ ||
         index_ < 0 || static_cast<size_t>(index_) >= owner_->current_->Entries.size();
}

const TZADirEntry& TZACentralEntry::Entry() const {
  if (Stale())
    return EmptyEntry();
  return *owner_->current_->Entries[static_cast<size_t>(index_)];
}

TZAZipFile& TZACenDir::Current(IZipReaderHost* host) {
  if (current_ == nullptr) {
    current_ = std::make_unique<TZAZipFile>(host);
    current_->IgnoreDirOnly = IgnoreDirOnly;
    current_->OnChange = [this](TZAZipFile& sender, int index, TZCChanges change) {
      Changed(sender, index, change);
    };
  }
  return *current_;
}

void TZACenDir::Drop() {
  const bool held = current_ != nullptr;
  current_.reset();
  views_.clear();
  count_ = dirOnlyCount_ = 0;
  if (held && OnDirUpdate)
    OnDirUpdate();
}

const TZADirEntry* TZACenDir::Entry(int i) const {
  if (i < 0 || i >= count_)
    return nullptr;
  return &views_[static_cast<size_t>(i)].Entry();
}

void TZACenDir::Changed(TZAZipFile& sender, int index, TZCChanges change) {
  switch (change) {
    case TZCChanges::zccBegin:
      views_.clear();
      count_ = dirOnlyCount_ = 0;
      LoadNo = sender.CheckNo;
      break;
    case TZCChanges::zccCount:
      views_.reserve(static_cast<size_t>(index));
      break;
    case TZCChanges::zccAdd: {
      const TZAIRec& rec = *sender.Entries[static_cast<size_t>(index)];
      if (IgnoreDirOnly && rec.IsDirOnly()) {
        ++dirOnlyCount_;
        break;
      }
      TZACentralEntry view;
      view.owner_ = this;
      view.loadNo_ = sender.CheckNo;
      view.index_ = index;
      views_.push_back(view);
      count_ = static_cast<int>(views_.size());
      if (OnNewName)
        OnNewName(count_ - 1);
      break;
    }
    case TZCChanges::zccEnd:
      if (sender.Entries.empty()) {
        views_.clear();
        count_ = 0;
      }
      if (OnDirUpdate)
        OnDirUpdate();
      break;
    default:
      break;
  }
}

}  // namespace archive
