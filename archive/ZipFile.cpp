#include "archive/ZipFile.h"

#include <climits>

#include "archive/ArchiveLimits.h"
#include "archive/MessageIds.h"
#include "archive/ReadBuffer.h"
#include "archive/ZipArcaError.h"
#include "archive/ZipStrings.h"
#include "platform/Paths.h"

namespace archive {
namespace {

constexpr uint32_t kSigCentral = 0x02014B50;
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
    EOCFileTime = 0;
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

int TZAZipFile::ReadDirectory(uint32_t checkNo) {
  Entries.clear();
  CheckNo = checkNo;
  Notify(static_cast<int>(CheckNo), TZCChanges::zccBegin);
  bool good = false;
  int64_t expected = 0, start = 0;
  try {
    // The directory ends where the end records begin; anything its stored offset leaves in
    // front is a prefix such as a self-extractor stub.
    if (CentralDiskNo != DiskNr) {
      expected = CentralOffset;
    } else {
      expected = EndPosition - CentralSize;
    }
    if (expected < 0)
      throw EZipArca(msg::kSeekError);
    SFXOfs = expected <= UINT32_MAX ? static_cast<uint32_t>(expected) : 0;
    if (File_Size == kEndRecordSize)
      SFXOfs = 0;
    start = expected;
    if (CentralOffset != expected) {
      Warn(msg::kStructureWarning);
      if (CentralOffset > File_Size)
        throw EZipArca(msg::kSeekError);
      uint8_t sig[4];
      if (!ReadExactly(sig, sizeof sig, CentralOffset))
        throw EZipArca(msg::kReadCentral);
      const uint32_t value = sig[0] | (sig[1] << 8) | (sig[2] << 16) | (uint32_t{sig[3]} << 24);
      if (value == kSigCentral)
        start = CentralOffset;
    }
    if (host_ != nullptr && host_->Tracing())
      host_->Trace(ZipFormat("List - expecting %d files", {int64_t{TotalEntries}}));
    // Each record takes at least 46 bytes: a count the rest of the file cannot hold is
    // refused before anything is reserved for it.
    if (TotalEntries > static_cast<uint64_t>(File_Size - start) / kCentralRecordSize)
      throw EZipArca(msg::kReadCentral);
    Entries.reserve(TotalEntries);
    Notify(static_cast<int>(TotalEntries), TZCChanges::zccCount);
    HashList.AutoSize(TotalEntries);
    TZAReadBuffer in(file_, start, File_Size);
    for (uint32_t i = 0; i < TotalEntries; ++i) {
      auto rec = std::make_unique<TZAIRec>();
      rec->Owner = this;
      const int r = rec->Read(in);
      if (r < 0)
        throw EZipArca(-r);
      if (r > 0)
        Z64 = true;
      if (host_ != nullptr && host_->Tracing())
        host_->Trace(ZipFormat("List - [%d] \"%s\"", {int64_t{i}, rec->FileName()}));
      const int index = static_cast<int>(Entries.size());
      Entries.push_back(std::move(rec));
      const TZAIRec* added = Entries.back().get();
      HashList.Add(added, index);
      Notify(index, TZCChanges::zccAdd);
      if (added->RelOffLocal < static_cast<int64_t>(SFXOfs))
        SFXOfs = static_cast<uint32_t>(added->RelOffLocal & 0xFFFFFFFF);
      if (host_ != nullptr)
        host_->CheckCancel();
    }
    good = true;
  } catch (...) {
    Entries.clear();
    HashList.Clear();
    FileName.clear();
    SFXOfs = 0;
    Close();
    Notify(0, TZCChanges::zccEnd);
    throw;
  }
  if (good) {
    CentralOffset = start;
    SFXOfs += static_cast<uint32_t>(expected - start);
  }
  Notify(static_cast<int>(Entries.size()), TZCChanges::zccEnd);
  return 0;
}

const TZAIRec* TZAZipFile::FindName(const std::string& pattern, int& index) const {
  if (!HasWildcards(pattern) && index == -1) {
    index = HashList.Find(pattern);
    if (index >= 0)
      return Entries[static_cast<size_t>(index)].get();
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
