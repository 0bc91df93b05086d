#include "archive/DLLLoader.h"

#include <algorithm>

#include "archive/ArchiveLimits.h"
#include "archive/MessageIds.h"
#include "platform/CodePage.h"
#include "platform/File.h"

namespace archive {
namespace {

constexpr char kLibraryName[] = "ArcaZip190.dll";
constexpr char kEmbeddedOnly[] = "><";

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

std::string ProgramFolder() {
  const std::string self = platform::ModulePathOf(reinterpret_cast<const void*>(&ProgramFolder));
  const size_t cut = self.find_last_of("\\/");
  return cut == std::string::npos ? std::string(".") : self.substr(0, cut);
}

std::string ParentOf(const std::string& path) {
  size_t cut = path.find_last_of("\\/");
  if (cut == std::string::npos)
    return {};
  if (cut == 0)
    return path.substr(0, 1);
  std::string parent = path.substr(0, cut);
  if (parent.size() == 2 && parent[1] == ':')
    parent += '\\';
  return parent;
}

bool NamesLibraryFile(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  const std::string last = cut == std::string::npos ? path : path.substr(cut + 1);
  if (last.size() <= 4)
    return false;  // ".dll" alone has no name part
  std::string ext = last.substr(last.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return ext == ".dll";
}

}  // namespace

TZADLLLoader& TZADLLLoader::Instance() {
  static TZADLLLoader loader;
  return loader;
}

std::string TZADLLLoader::LibraryPathFor(const std::string& directory) {
  std::string d = directory;
  while (!d.empty() && IsSeparator(d.back()) && !(d.size() == 3 && d[1] == ':'))
    d.pop_back();
  if (d.size() == 3 && d[1] == ':' && IsSeparator(d[2]))
    d.pop_back();
  if (!d.empty() && d[0] == '.')
    d = ProgramFolder() + "/" + d;
  if (NamesLibraryFile(d))
    return d;
  if (!d.empty()) {
    const std::string parent = ParentOf(d);
    if (!parent.empty() && !platform::DirectoryExists(parent))
      d.clear();
  }
  if (d.empty())
    return kLibraryName;
  if (d.size() == 2 && d[1] == ':')
    return d + kLibraryName;
  return d + "\\" + kLibraryName;
}

TZADLLLoader::TZACount* TZADLLLoader::SlotOf(const IZALoaderClient& worker) {
  for (TZACount& slot : Counts) {
    if (slot.worker == &worker)
      return &slot;
  }
  return nullptr;
}

TZADLLLoader::TZACount& TZADLLLoader::TakeSlot(const IZALoaderClient& worker) {
  if (TZACount* slot = SlotOf(worker))
    return *slot;
  for (TZACount& slot : Counts) {
    if (slot.worker == nullptr) {
      slot.worker = &worker;
      slot.count = 0;
      return slot;
    }
  }
  const size_t first = Counts.size();
  Counts.resize(first + kLoaderSlotStep);
  Counts[first].worker = &worker;
  return Counts[first];
}

bool TZADLLLoader::AnyCount() const {
  return std::any_of(Counts.begin(), Counts.end(), [](const TZACount& c) { return c.count > 0; });
}

void TZADLLLoader::FreeModule() {
  hndl.Unload();
  fExec = nullptr;
  fVersionFn = fPrivFn = nullptr;
  fAbort = nullptr;
  fName = nullptr;
  fBannerFn = nullptr;
  fPathFn = nullptr;
  fVer = Priv = 0;
  fPath.clear();
  fBanner.clear();
}

void TZADLLLoader::LoadLib(IZALoaderClient& worker, const std::string& path, bool raise) {
  FreeModule();
  fLoadPath = path;
  if (!hndl.Load(path)) {
    fLoadErr = platform::LastOsError();
    fLoadErrText = hndl.ErrorText();
    if (worker.IsVerbose())
      worker.ReportVerbose(ZipFmtLoadStr(msg::kLoadError, {int64_t{fLoadErr}, fLoadErrText, path}));
    if (raise)
      throw EZipArca::Format(msg::kFailedToLoad, {path});
    return;
  }
  // Resolution stops at the first export that is missing.
  do {
    if (!(fExec = hndl.Function<TAZExecFunc>("AZ_Exec")))
      break;
    if (!(fVersionFn = hndl.Function<TAZVersionFunc>("AZ_Version")))
      break;
    if (!(fPrivFn = hndl.Function<TAZVersionFunc>("AZ_PrivVersion")))
      break;
    if (!(fAbort = hndl.Function<TAZAbortFunc>("AZ_Abort")))
      break;
    if (!(fName = hndl.Function<TAZNameFunc>("AZ_Name")))
      break;
    if (!(fBannerFn = hndl.Function<TAZBannerFunc>("AZ_Banner")))
      break;
    fPathFn = hndl.Symbol("AZ_Path");
  } while (false);
  if (fBannerFn != nullptr) {
    Priv = fPrivFn();
    fVer = fVersionFn();
    char16_t name[kAZNameBufferChars + 1] = {};
    fName(name, kAZNameBufferChars, 1);
    fPath = platform::Utf16ToUtf8(name);
    const char* banner = fBannerFn();
    fBanner = banner != nullptr ? banner : "";
  }
  if (fVer != kAZVersion || Priv < kAZMinBuild) {
    FreeModule();
    if (worker.IsVerbose())
      worker.ReportVerbose(ZipFmtLoadStr(msg::kOldOrCorrupt, {path}));
    if (raise)
      throw EZipArca::Format(msg::kOldOrCorrupt, {path});
  }
}

int TZADLLLoader::Load(IZALoaderClient& worker) {
  std::lock_guard<std::recursive_mutex> lock(Guard);
  TZACount& slot = TakeSlot(worker);
  ++slot.count;
  if (hndl.IsLoaded() || fLoading > 0)
    return fVer;
  ++fLoading;
  std::string path;
  try {
    const std::string directory = worker.EngineDirectory();
    std::string d = directory;
    while (!d.empty() && IsSeparator(d.back()))
      d.pop_back();
    // "><" asks for the embedded engine only, and this program carries none.
    if (d == kEmbeddedOnly)
      throw EZipArca::Format(msg::kFailedToLoad, {std::string(kEmbeddedOnly)});
    path = LibraryPathFor(directory);
    LoadLib(worker, path, true);
  } catch (const EZipArca& error) {
    --fLoading;
    if (TZACount* own = SlotOf(worker)) {
      own->worker = nullptr;
      own->count = 0;
    }
    worker.ShowLoadError(error);
    return -1;
  }
  --fLoading;
  if (worker.IsVerbose())
    worker.ReportVerbose(ZipFmtLoadStr(msg::kLoaded, {fPath.empty() ? path : fPath}));
  return fVer;
}

bool TZADLLLoader::Loaded(const IZALoaderClient& worker) {
  std::lock_guard<std::recursive_mutex> lock(Guard);
  const TZACount* slot = SlotOf(worker);
  return slot != nullptr && slot->count > 0 && hndl.IsLoaded();
}

void TZADLLLoader::Unload(IZALoaderClient& worker) {
  std::lock_guard<std::recursive_mutex> lock(Guard);
  if (TZACount* slot = SlotOf(worker)) {
    if (--slot->count <= 0) {
      slot->worker = nullptr;
      slot->count = 0;
    }
  }
  if (fLoading > 0 || AnyCount() || !hndl.IsLoaded())
    return;
  const std::string path = fPath;
  FreeModule();
  if (worker.IsVerbose())
    worker.ReportVerbose(ZipFmtLoadStr(msg::kUnloaded, {path}));
}

void TZADLLLoader::Remove(const IZALoaderClient& worker) {
  std::lock_guard<std::recursive_mutex> lock(Guard);
  if (TZACount* slot = SlotOf(worker)) {
    slot->worker = nullptr;
    slot->count = 0;
  }
}

int TZADLLLoader::Exec(IZALoaderClient& worker, const TDLLCommands& commands, int32_t& key) {
  if (Load(worker) < 1) {
    return -1;
  }
  TAZExecFunc exec = nullptr;
  {
    std::lock_guard<std::recursive_mutex> lock(Guard);
    exec = fExec;
  }
  int result = -1;
  try {
    if (exec != nullptr)
      result = exec(&commands);
  } catch (...) {
    Unload(worker);
    key = 0;
    throw;
  }
  Unload(worker);
  key = 0;
  return result;
}

void TZADLLLoader::Abort(const IZALoaderClient& worker, int32_t key) {
  std::lock_guard<std::recursive_mutex> lock(Guard);
  const TZACount* slot = SlotOf(worker);
  if (key != 0 && slot != nullptr && slot->count > 0 && fAbort != nullptr)
    fAbort(key);
}

int TZADLLLoader::Build() {
  std::lock_guard<std::recursive_mutex> lock(Guard);
  return hndl.IsLoaded() ? Priv : 0;
}

int TZADLLLoader::Version() {
  std::lock_guard<std::recursive_mutex> lock(Guard);
  return hndl.IsLoaded() ? fVer : 0;
}

std::string TZADLLLoader::Path() {
  std::lock_guard<std::recursive_mutex> lock(Guard);
  return fPath;
}

std::string TZADLLLoader::Banner() {
  std::lock_guard<std::recursive_mutex> lock(Guard);
  return fBanner;
}

}  // namespace archive
