#include "net/FTPList.h"

#include "net/FTPListMasks.h"
#include "platform/Clock.h"

namespace net {

void TFTPListRec::Assign(const TFTPListRec& Value) {
  *this = Value;
}

TFTPList::TFTPList() : FMasks(kFTPListMasks, kFTPListMasks + kFTPListMaskCount) {}

TFTPList::~TFTPList() = default;

TFTPListRec* TFTPList::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    return nullptr;
  return FList[static_cast<size_t>(Index)].get();
}

bool TFTPList::ParseEPLF(const std::string&) {
  return false;
}

void TFTPList::ResetParseFields() {}

int TFTPList::MatchMask(const std::string&, const std::string&, const std::string&) {
  return 0;
}

bool TFTPList::CheckParseFields() {
  return false;
}

void TFTPList::FillRecord(TFTPListRec&) {}

void TFTPList::Clear() {
  FList.clear();
  FLines.clear();
  FUnparsedLines.clear();
}

int TFTPList::Count() const {
  return static_cast<int>(FList.size());
}

void TFTPList::Assign(const TFTPList& Value) {
  FList.clear();
  for (const auto& rec : Value.FList)
    FList.push_back(std::make_unique<TFTPListRec>(*rec));
  FLines = Value.FLines;
  FMasks = Value.FMasks;
  FUnparsedLines = Value.FUnparsedLines;
}

void TFTPList::ParseLines() {
  FList.clear();
  FUnparsedLines = FLines;
}

void TFTPList::ParseMLSDLines() {
  FList.clear();
  FUnparsedLines.clear();
}

double TFTPList::Now() const {
  return 0;
}

}  // namespace net
