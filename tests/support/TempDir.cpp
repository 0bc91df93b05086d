#include "tests/support/TempDir.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>

#include <random>
namespace {
// Under Wine the tests' folders live in the host's /tmp, which the Windows side reaches as
// "/tmp/..." on drive Z:, so the Linux peers and tools started by a test see the same paths.
std::filesystem::path TempBase() {
  return "/tmp";
}
char* mkdtemp(char* pattern) {
  static std::mt19937_64 random{std::random_device{}()};
  std::string path = pattern;
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (size_t i = path.size() - 6; i < path.size(); ++i)
      path[i] = "abcdefghijklmnopqrstuvwxyz0123456789"[random() % 36];
    std::error_code ec;
    if (std::filesystem::create_directory(path, ec)) {
      path.copy(pattern, path.size());
      return pattern;
    }
  }
  return nullptr;
}
}  // namespace
#else
namespace {
std::filesystem::path TempBase() {
  return std::filesystem::temp_directory_path();
}
}  // namespace
#endif

namespace varelo::test {

TTempDir::TTempDir() {
  std::string pattern = (TempBase() / "varelo-XXXXXX").generic_string();
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TTempDir::~TTempDir() {
  std::error_code ec;
  // Folders made read-only by a test must become writable again before removal.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

namespace {
const TTempPrefix* gCurrentPrefix = nullptr;
}  // namespace

TTempPrefix::TTempPrefix() : outer_(gCurrentPrefix) {
  gCurrentPrefix = this;
  if (const char* old = std::getenv("WINEPREFIX")) {
    saved_ = old;
    hadSaved_ = true;
  }
  std::filesystem::create_directories(Drive('c'));
  setenv("WINEPREFIX", dir_.Path().c_str(), 1);
}

TTempPrefix::~TTempPrefix() {
  gCurrentPrefix = outer_;
  if (hadSaved_)
    setenv("WINEPREFIX", saved_.c_str(), 1);
  else
    unsetenv("WINEPREFIX");
}

std::string TTempPrefix::Drive(char letter) const {
  return dir_.Path() + "/drive_" + static_cast<char>(std::tolower(letter));
}

std::string TTempPrefix::Win(const std::string& windowsPath) const {
#ifdef _WIN32
  const bool hasDrive = windowsPath.size() >= 2 && windowsPath[1] == ':' &&
                        std::isalpha(static_cast<unsigned char>(windowsPath[0]));
  if (!hasDrive)
    return windowsPath;
  // The folder's full native path, on the drive that shows the host's /tmp (Z: under Wine).
  const std::string folder = Drive(windowsPath[0]);
  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr);
  std::string native = n > 0 && n < MAX_PATH ? std::string(full, n) : folder;
  for (char& c : native) {
    if (c == '/')
      c = '\\';
  }
  return native + windowsPath.substr(2);
#else
  return windowsPath;
#endif
}

const TTempPrefix* TTempPrefix::Current() {
  return gCurrentPrefix;
}

std::string InPrefix(const std::string& windowsPath) {
  const TTempPrefix* prefix = TTempPrefix::Current();
  return prefix == nullptr ? windowsPath : prefix->Win(windowsPath);
}

std::string HostSide(const std::string& path) {
#ifdef _WIN32
  if (path.size() >= 3 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':' &&
      (path[2] == '\\' || path[2] == '/')) {
    std::string host = path.substr(2);
    for (char& c : host) {
      if (c == '\\')
        c = '/';
    }
    return host;
  }
#endif
  return path;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool PathExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

}  // namespace varelo::test
