#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
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

TTempPrefix::TTempPrefix() {
  if (const char* old = std::getenv("WINEPREFIX")) {
    saved_ = old;
    hadSaved_ = true;
  }
  std::filesystem::create_directories(Drive('c'));
  setenv("WINEPREFIX", dir_.Path().c_str(), 1);
}

TTempPrefix::~TTempPrefix() {
  if (hadSaved_)
    setenv("WINEPREFIX", saved_.c_str(), 1);
  else
    unsetenv("WINEPREFIX");
}

std::string TTempPrefix::Drive(char letter) const {
  return dir_.Path() + "/drive_" + static_cast<char>(std::tolower(letter));
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
