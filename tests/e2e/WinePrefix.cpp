#include "tests/e2e/WinePrefix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "tests/support/Process.h"

namespace varelo::e2e {
namespace {

namespace fs = std::filesystem;

// wineboot on a busy machine of two cores: half a minute usually, well over a minute at worst.
constexpr int kBootTimeoutMs = 300000;
constexpr int kCopyTimeoutMs = 60000;
constexpr int kServerTimeoutMs = 30000;
// Written into the template once it is complete: a template cut short is made again.
constexpr const char* kReadyMark = ".varelo-template-ready";

// Holds an exclusive lock on a file for the life of the object, so that test programs run side
// by side make the template once.
class TFileLock {
 public:
  explicit TFileLock(const std::string& path) : fd_(open(path.c_str(), O_CREAT | O_RDWR, 0644)) {
    if (fd_ >= 0)
      flock(fd_, LOCK_EX);
  }
  ~TFileLock() {
    if (fd_ >= 0)
      close(fd_);  // releases the lock
  }
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;

 private:
  int fd_;
};

// Replaces the links that Wine made from the user's special folders into the home folder
// (Desktop, Documents, ..., and Templates deeper down) by empty folders of the prefix's own.
void UnlinkSpecialFolders(const std::string& drive) {
  std::vector<fs::path> links;
  for (const auto& entry : fs::recursive_directory_iterator(drive + "/users")) {
    if (entry.is_symlink())
      links.push_back(entry.path());
  }
  for (const auto& link : links) {
    fs::remove(link);
    fs::create_directory(link);
  }
}

// Gives the linked copy of the Windows folder its own settings and log files: programs write
// those in place (the profile functions rewrite win.ini), and through a link that would change
// the template for every later test.
bool SeparateWrittenFiles(const std::string& windows) {
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(windows, error)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".ini" && ext != ".log"))
      continue;
    const fs::path copy = entry.path().string() + ".copy";
    fs::copy_file(entry.path(), copy, error);
    if (!error)
      fs::rename(copy, entry.path(), error);
    if (error)
      return false;
  }
  return !error;
}

}  // namespace

std::string TWinePrefix::Loader() {
  std::string out;
  if (test::RunCommand({VARELO_TOOLS_DIR "/wine-loader", "win64"}, &out) != 0)
    return "";
  return out.substr(0, out.find('\n'));
}

TWinePrefix::TWinePrefix(const std::string& templateRoot) {
  SetEnv("WINEARCH", "win64");
  SetEnv("WINELOADER", Loader());
  SetEnv("WINEDEBUG", "-all");
  SetEnv("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d");
  if (!MakeTemplate(templateRoot))
    return;
  fs::create_directories(dir_ / "home");
  SetEnv("HOME", dir_ / "home");
  SetEnv("WINEPREFIX", Path());
  ready_ = CopyTemplate(templateRoot + "/template");
}

TWinePrefix::~TWinePrefix() {
  if (ready_)
    KillServer();
  for (auto it = savedEnv_.rbegin(); it != savedEnv_.rend(); ++it) {
    if (it->second)
      setenv(it->first.c_str(), it->second->c_str(), 1);
    else
      unsetenv(it->first.c_str());
  }
}

void TWinePrefix::SetEnv(const char* name, const std::string& value) {
  const bool seen = std::any_of(savedEnv_.begin(), savedEnv_.end(),
                                [&](const auto& saved) { return saved.first == name; });
  if (!seen) {
    const char* old = std::getenv(name);
    savedEnv_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  }
  setenv(name, value.c_str(), 1);
}

bool TWinePrefix::MakeTemplate(const std::string& templateRoot) {
  std::error_code error;
  fs::create_directories(templateRoot, error);
  TFileLock lock(templateRoot + "/template.lock");
  const std::string templ = templateRoot + "/template";
  if (fs::exists(templ + "/" + kReadyMark))
    return true;
  fs::remove_all(templ, error);
  fs::create_directories(templateRoot + "/home", error);
  SetEnv("HOME", templateRoot + "/home");
  SetEnv("WINEPREFIX", templ);
  std::string out;
  if (test::RunCommand({Loader(), "wineboot", "-i"}, &out, kBootTimeoutMs) != 0 ||
      test::RunCommand({"wineserver", "-w"}, &out, kServerTimeoutMs) != 0 ||
      !fs::is_directory(templ + "/drive_c/users")) {
    log_ = "wineboot -i failed for the template " + templ + ":\n" + out;
    return false;
  }
  UnlinkSpecialFolders(templ + "/drive_c");
  test::WriteFileBytes(templ + "/" + kReadyMark, "");
  return true;
}

bool TWinePrefix::CopyTemplate(const std::string& templ) {
  const std::string prefix = Path();
  std::vector<std::string> top = {"cp", "-a"};
  for (const auto& entry : fs::directory_iterator(templ)) {
    const std::string name = entry.path().filename().string();
    // The drive is copied below; the marker and the lock belong to the template.
    if (name != "drive_c" && name != kReadyMark)
      top.push_back(entry.path().string());
  }
  top.push_back(prefix);
  fs::create_directories(prefix + "/drive_c");
  std::string out;
  if (test::RunCommand(top, &out, kCopyTimeoutMs) != 0) {
    log_ = "copying the template failed: " + out;
    return false;
  }
  for (const auto& entry : fs::directory_iterator(templ + "/drive_c")) {
    const std::string name = entry.path().filename().string();
    own_.insert(name);
    // The Windows folder is large (over a gigabyte) and only read: linked, not copied.
    const char* mode = name == "windows" ? "-al" : "-a";
    if (test::RunCommand({"cp", mode, entry.path().string(), prefix + "/drive_c/"}, &out,
                         kCopyTimeoutMs) != 0) {
      log_ = "copying the template's " + name + " failed: " + out;
      return false;
    }
  }
  if (!SeparateWrittenFiles(prefix + "/drive_c/windows")) {
    log_ = "the Windows folder's settings and log files could not be copied";
    return false;
  }
  return true;
}

std::string TWinePrefix::Desktop() const {
  std::string user;
  test::RunCommand({"id", "-un"}, &user);
  return Drive() + "/users/" + user.substr(0, user.find('\n')) + "/Desktop";
}

int TWinePrefix::KillServer() {
  return test::RunCommand({"wineserver", "-k"}, nullptr, kServerTimeoutMs);
}

}  // namespace varelo::e2e
