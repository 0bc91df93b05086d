#include "installer/PackageCache.h"

#include "platform/File.h"
#include "platform/Paths.h"

namespace installer {
namespace {

constexpr int32_t kRangeNotSatisfiable = 416;

bool IsSuccessCode(int32_t code) {
  return code == 200 || code == 206 || code == kRangeNotSatisfiable;
}

}  // namespace

std::string TPackageCache::DefaultFolder() {
  return platform::UserTempFolder() + "\\VareloSoft";
}

bool TPackageCache::Create() const {
  return platform::ForceDirectories(folder_);
}

bool TPackageCache::Has(const std::string& name) const {
  return platform::FileExists(PathOf(name));
}

TStep TPackageCache::Judge(const std::string& name, int32_t resultCode, bool connected,
                           const std::string& error) const {
  TStep step{TStepKind::Fetch, name, TStepCause::None, 0, PathOf(name)};
  if (!error.empty()) {
    step.cause = TStepCause::NotWritten;
    step.detail = error;
    return step;
  }
  if (platform::FileExists(PathOf(name)))
    return step;
  if (!connected || resultCode == 0) {
    step.cause = TStepCause::ServerNotReached;
  } else if (!IsSuccessCode(resultCode)) {
    step.cause = TStepCause::AnswerCode;
    step.code = resultCode;
  } else {
    step.cause = TStepCause::CutShort;
    step.code = platform::FileSize(PartPathOf(name));
    if (step.code < 0)
      step.code = 0;
  }
  return step;
}

bool TPackageCache::DropUnusablePart(const std::string& name, int32_t resultCode) const {
  if (resultCode != kRangeNotSatisfiable || Has(name))
    return false;
  return platform::DeleteFile(PartPathOf(name));
}

void TPackageCache::Discard(const std::string& name) const {
  platform::DeleteFile(PathOf(name));
}

bool TPackageCache::Remove() const {
  return platform::RemoveTree(folder_);
}

}  // namespace installer
