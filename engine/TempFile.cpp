#include "engine/TempFile.h"

#include <atomic>
#include <random>

#include "engine/EngineLimits.h"
#include "platform/OsError.h"
#include "platform/ProcessInfo.h"

namespace arcazip {
namespace {

constexpr std::string_view kPrefix = ".~az";
constexpr std::string_view kSuffix = ".tmp";
constexpr size_t kHexDigits = 8;
constexpr char kHex[] = "0123456789abcdef";

void AppendHex(std::string& out, uint32_t n) {
  for (size_t i = 0; i < kHexDigits; ++i)
    out += kHex[(n >> (4 * (kHexDigits - 1 - i))) & 15];
}

// Temporary names are short and fixed in form, so even a file name at the system's length
// limit gets a temporary beside it. They carry the writer's process id, so that a later
// operation can tell a file left by a killed process from one another engine is writing; the
// random start keeps two engines of one process apart.
std::string TempName(int attempt) {
  static std::atomic<uint32_t> counter{std::random_device{}()};
  std::string name(kPrefix);
  AppendHex(name, platform::CurrentProcessId());
  name += '-';
  AppendHex(name, counter.fetch_add(1) + static_cast<uint32_t>(attempt));
  name += kSuffix;
  return name;
}

bool ParseHex(std::string_view text, uint32_t& value) {
  value = 0;
  for (char c : text) {
    const char* at = std::char_traits<char>::find(kHex, 16, c);
    if (at == nullptr)
      return false;
    value = value << 4 | static_cast<uint32_t>(at - kHex);
  }
  return true;
}

}  // namespace

TTempFile::~TTempFile() {
  Discard();
}

bool TTempFile::Create(platform::TDirHandle& folder) {
  Discard();
  folder_ = &folder;
  for (int attempt = 0; attempt < kTempNameTries; ++attempt) {
    name_ = TempName(attempt);
    file_ = folder.CreateNewFile(name_);
    if (file_.IsOpen())
      return true;
    error_ = folder.Error();
    if (error_ != platform::kErrorAlreadyExists)
      break;
  }
  name_.clear();
  return false;
}

bool TTempFile::Commit(const std::string& finalName, bool replace) {
  if (!file_.Close()) {
    error_ = file_.Error();
    Discard();
    return false;
  }
  if (!folder_->Rename(name_, finalName, replace)) {
    error_ = folder_->Error();
    Discard();
    return false;
  }
  name_.clear();
  return true;
}

void TTempFile::Discard() {
  if (name_.empty())
    return;
  file_.Close();
  folder_->RemoveFile(name_);
  name_.clear();
}

bool IsEngineTempName(std::string_view name, uint32_t& owner) {
  const size_t length = kPrefix.size() + 2 * kHexDigits + 1 + kSuffix.size();
  if (name.size() != length || name.substr(0, kPrefix.size()) != kPrefix ||
      name.substr(length - kSuffix.size()) != kSuffix || name[kPrefix.size() + kHexDigits] != '-')
    return false;
  uint32_t counter = 0;
  return ParseHex(name.substr(kPrefix.size(), kHexDigits), owner) &&
         ParseHex(name.substr(kPrefix.size() + kHexDigits + 1, kHexDigits), counter);
}

bool RemoveIfStaleTemp(platform::TDirHandle& folder, const std::string& name) {
  uint32_t owner = 0;
  if (!IsEngineTempName(name, owner))
    return false;
  // Another operation of this very process may be writing it; a living process keeps its own.
  if (owner == platform::CurrentProcessId() || platform::ProcessIsRunning(owner))
    return false;
  if (folder.Kind(name) != platform::TDirEntryKind::File)
    return false;
  return folder.RemoveFile(name);
}

}  // namespace arcazip
