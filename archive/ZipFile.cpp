#include "archive/ZipFile.h"

#include <algorithm>
#include <climits>

#include "archive/ArchiveLimits.h"
#include "archive/MessageIds.h"
#include "archive/ReadBuffer.h"
#include "archive/ZipArcaError.h"
#include "archive/ZipStrings.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "zipformat/ZipRecords.h"

namespace archive {
namespace {

using zipformat::Get32;
using zipformat::kSigCentral;
constexpr int kWarnEndNotAtEnd = 1;
constexpr int kWarnCentralMoved = 2;

bool HasWildcards(const std::string& s) {
  return s.find_first_of("*?") != std::string::npos;
}

bool MatchFrom(const std::string& p, size_t pi, const std::string& n, size_t ni) {
  // Iterative wildcard match with one back-tracking point for the last "*".
  size_t starP = std::string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starN = ni;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*')
    ++pi;
  return pi == p.size();
}

std::string Normal(const std::string& s) {
  std::string out = platform::FoldCase(s);
  for (char& c : out) {
    if (c == '/')
      c = '\\';
  }
  return out;
}

}  // namespace

bool ZipFileSpecMatch(const std::string& pattern, const std::string& name) {
  if (pattern == "*" || pattern == "*.*")
    return true;
  return MatchFrom(Normal(pattern), 0, Normal(name), 0);
}

void TZAZipFile::Notify(int index, TZCChanges change) {
  if (OnChange)
    OnChange(*this, index, change);
}

void TZAZipFile::Warn(int id) {
  if (host_ != nullptr)
    host_->ReportWarning(id);
}

int TZAZipFile::Open(bool EOConly, bool NoLoad, uint32_t checkNo) {
  OpenRet = 0;
  SFXOfs = 0;
  int result = OpenEOC(EOConly);
  if (result >= 0) {
    EOCFileTime = FileDosTime(FileName);
    if (!EOConly && !NoLoad) {
      if ((result & kWarnEndNotAtEnd) != 0)
        Warn(msg::kReadComment);
      if ((result & kWarnCentralMoved) != 0)
        Warn(msg::kStructureWarning);
      if (int read = ReadDirectory(checkNo); read != 0)
        result = read;
    }
  }
  OpenRet = result;
  if (host_ != nullptr && host_->Tracing())
    host_->Trace("Open = " + (result < 0 ? ZipLoadStr(-result) : std::to_string(result)));
  return result;
}

std::vector<TZAReadBuffer::TSegment> TZAZipFile::DirectorySegments(int64_t& expected,
                                                                   int64_t& start) {
  const bool inOtherPart = CentralDiskNo != DiskNr;
  if (!inOtherPart || Numbering == TZipNumberScheme::znsNone) {
    // The directory ends where the end records begin; anything its stored offset leaves in
    // front is a prefix such as a self-extractor stub.
    expected = inOtherPart ? CentralOffset : EndPosition - CentralSize;
    if (expected < 0)
      throw EZipArca(msg::kSeekError);
    start = expected;
    if (CentralOffset != expected) {
      Warn(msg::kStructureWarning);
      if (CentralOffset > File_Size)
        throw EZipArca(msg::kSeekError);
      uint8_t sig[4];
      if (!ReadExactly(sig, sizeof sig, CentralOffset))
        throw EZipArca(msg::kReadCentral);
      if (Get32(sig) == kSigCentral)
        start = CentralOffset;
    }
    return {{"", start, File_Size}};
  }
  // A directory that starts in an earlier part runs from its offset there through every
  // part after it, and ends before the end records of this, the last part. Every part is
  // measured first: an offset past its part is refused before anything is read.
  const int64_t lastEnd = EndPosition;
  std::vector<TZAReadBuffer::TSegment> segments;
  for (uint32_t disk = CentralDiskNo; disk < DiskNr; ++disk) {
    const std::string part = PartName(disk);
    const int64_t size = part.empty() ? -1 : platform::FileSize(part);
    if (size < 0)
      throw EZipArca(msg::kCannotOpen);
    segments.push_back({part, 0, size});
  }
  File_Size = segments.front().end;
  if (CentralOffset > File_Size)
    throw EZipArca(msg::kSeekError);
  segments.front().start = CentralOffset;
  segments.push_back({"", 0, lastEnd});
  expected = start = CentralOffset;
  return segments;
}

TZAIRec& TZAZipFile::NewRecord(uint32_t stillExpected) {
  if (records_.empty() || records_.back().size() == records_.back().capacity()) {
    records_.emplace_back();
    records_.back().reserve(std::min(stillExpected, kRecordArraySize));
  }
  return records_.back().emplace_back();
}

int TZAZipFile::ReadDirectory(uint32_t checkNo) {
  Entries.clear();
  records_.clear();
  raw_.clear();
  CheckNo = checkNo;
  Notify(static_cast<int>(CheckNo), TZCChanges::zccBegin);
  int64_t expected = 0, start = 0;
  try {
    std::vector<TZAReadBuffer::TSegment> segments = DirectorySegments(expected, start);
    SFXOfs = expected <= UINT32_MAX ? static_cast<uint32_t>(expected) : 0;
    if (File_Size == kEndRecordSize)
      SFXOfs = 0;
    if (host_ != nullptr && host_->Tracing())
      host_->Trace(ZipFormat("List - expecting %d files", {int64_t{TotalEntries}}));
    TZAReadBuffer in(file_, std::move(segments), CentralSize);
    // Each record takes at least 46 bytes: a count the rest of the directory's parts cannot
    // hold is refused before anything is reserved for it.
    if (TotalEntries > static_cast<uint64_t>(in.Remaining()) / kCentralRecordSize)
      throw EZipArca(msg::kReadCentral);
    Entries.reserve(TotalEntries);
    Notify(static_cast<int>(TotalEntries), TZCChanges::zccCount);
    HashList.AutoSize(TotalEntries);
    HashList.Reserve(TotalEntries);
    for (uint32_t i = 0; i < TotalEntries; ++i) {
      TZAIRec& rec = NewRecord(TotalEntries - i);
      rec.Owner = this;
      const int r = rec.Read(in);
      if (r < 0)
        throw EZipArca(-r);
      if (r > 0)
        Z64 = true;
      if (host_ != nullptr && host_->Tracing())
        host_->Trace(ZipFormat("List - [%d] \"%s\"", {int64_t{i}, rec.FileName()}));
      const int index = static_cast<int>(Entries.size());
      Entries.push_back(&rec);
      const TZAIRec* added = &rec;
      HashList.Add(added, index);
      Notify(index, TZCChanges::zccAdd);
      if (added->RelOffLocal < static_cast<int64_t>(SFXOfs))
        SFXOfs = static_cast<uint32_t>(added->RelOffLocal & 0xFFFFFFFF);
      if (host_ != nullptr)
        host_->CheckCancel();
    }
    raw_ = in.TakeBlocks();
  } catch (...) {
    Entries.clear();
    records_.clear();
    raw_.clear();
    HashList.Clear();
    FileName.clear();
    SFXOfs = 0;
    Close();
    Notify(0, TZCChanges::zccEnd);
    throw;
  }
  CentralOffset = start;
  SFXOfs += static_cast<uint32_t>(expected - start);
  Notify(static_cast<int>(Entries.size()), TZCChanges::zccEnd);
  return 0;
}

const TZAIRec* TZAZipFile::FindName(const std::string& pattern, int& index) const {
  if (!HasWildcards(pattern) && index == -1) {
    index = HashList.Find(pattern);
    if (index >= 0)
      return Entries[static_cast<size_t>(index)];
    index = INT_MIN;
    return nullptr;
  }
  const bool plain = !HasWildcards(pattern);
  const uint32_t hash = plain ? ZipNameHash(pattern) : 0;
  for (size_t i = static_cast<size_t>(index + 1); i < Entries.size(); ++i) {
    const TZAIRec& rec = *Entries[i];
    if (plain && rec.NameHash() != hash)
      continue;
    if (ZipFileSpecMatch(pattern, rec.FileName())) {
      index = static_cast<int>(i);
      return &rec;
    }
  }
  index = INT_MIN;
  return nullptr;
}

}  // namespace archive
