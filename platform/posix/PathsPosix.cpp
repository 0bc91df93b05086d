#include "platform/Paths.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace platform {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool Exists(const std::string& hostPath) {
  struct stat st;
  return lstat(hostPath.c_str(), &st) == 0;
}

// Finds the entry of folder `dir` whose name matches `name` without regard to case.
// An exact match wins; otherwise, of the names that differ from it in case only, the one
// first in byte order, so the choice never depends on the order the folder is listed in.
std::string MatchEntry(const std::string& dir, const std::string& name) {
  if (Exists(dir + "/" + name))
    return name;
  std::unique_ptr<DIR, int (*)(DIR*)> d(opendir(dir.empty() ? "/" : dir.c_str()), closedir);
  if (!d)
    return name;
  const std::string folded = FoldCase(name);
  std::string best;
  while (dirent* e = readdir(d.get())) {
    if (FoldCase(e->d_name) == folded && (best.empty() || e->d_name < best))
      best = e->d_name;
  }
  return best.empty() ? name : best;
}

// Windows drops the dots and blanks that end a path component: "Varelo." is "Varelo".
std::string WithoutTrailingDotsAndBlanks(const std::string& part) {
  if (part == "." || part == "..")
    return part;
  size_t end = part.size();
  while (end > 0 && (part[end - 1] == '.' || part[end - 1] == ' '))
    --end;
  return part.substr(0, end);
}

// The drive holding the current folder; C:, the system drive, when it lies on none of the
// prefix's drives (drive Z:, the host's root, is never taken for it).
char CurrentDrive(const std::string& cwd) {
  char best = 'c';
  size_t bestLength = 0;
  for (char letter = 'a'; letter < 'z'; ++letter) {
    const std::string root = DriveRoot(letter);
    if (root.empty() || root.size() <= bestLength)
      continue;
    if (cwd == root || (cwd.starts_with(root) && cwd[root.size()] == '/')) {
      best = letter;
      bestLength = root.size();
    }
  }
  return best;
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home)
    return home;
  if (passwd* pw = getpwuid(getuid()))
    return pw->pw_dir;
  return "/root";
}

std::string CurrentFolder() {
  std::string buf(4096, '\0');
  if (!getcwd(buf.data(), buf.size()))
    return "/";
  buf.resize(std::char_traits<char>::length(buf.c_str()));
  return buf;
}

// Joins components onto a host root, matching each existing one without regard to case and
// resolving "." and ".." lexically as Windows does.
std::string Resolve(const std::string& root, const std::vector<std::string>& parts) {
  std::vector<std::string> stack;
  for (const auto& part : parts) {
    const std::string p = WithoutTrailingDotsAndBlanks(part);
    if (p.empty() || p == ".")
      continue;
    if (p == "..") {
      if (!stack.empty())
        stack.pop_back();
      continue;
    }
    stack.push_back(p);
  }
  std::string path = root;
  for (const auto& p : stack)
    path += "/" + MatchEntry(path, p);
  return path.empty() ? "/" : path;
}

}  // namespace

std::string UserName() {
  if (passwd* pw = getpwuid(getuid()))
    return pw->pw_name;
  if (const char* u = std::getenv("USER"); u && *u)
    return u;
  return "user";
}

std::string UserTempFolder() {
  return "C:\\users\\" + UserName() + "\\Temp";
}

std::string WinePrefix() {
  if (const char* p = std::getenv("WINEPREFIX"); p && *p) {
    std::string s = p;
    while (s.size() > 1 && s.back() == '/')
      s.pop_back();
    return s;
  }
  return HomeFolder() + "/.wine";
}

std::string DriveRoot(char letter) {
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  const std::string prefix = WinePrefix();
  const std::string link = prefix + "/dosdevices/" + lower + ":";
  char target[4096];
  // Follow the prefix's drive link when there is one; Wine makes c: -> ../drive_c, z: -> /.
  if (ssize_t n = readlink(link.c_str(), target, sizeof target - 1); n > 0) {
    target[n] = '\0';
    std::string t = target;
    if (t[0] != '/')
      t = prefix + "/dosdevices/" + t;
    while (t.size() > 1 && t.back() == '/')
      t.pop_back();
    return t == "/" ? "" : t;
  }
  if (lower == 'z')
    return "";
  return prefix + "/drive_" + lower;
}

std::string HostPath(std::string_view path) {
  if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
    return Resolve(DriveRoot(path[0]), SplitPath(path.substr(2)));
  }
  // A network path ("\\server\share\...") names no place on this machine's drives; an
  // empty host path makes every file operation on it fail instead of landing somewhere else.
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]))
    return "";
  if (!path.empty() && path[0] == '/')
    return Resolve("", SplitPath(path));
  const std::string cwd = CurrentFolder();
  if (!path.empty() && path[0] == '\\') {
    // "\a\b" is rooted on the current drive, as on Windows; never on the host's own root.
    return Resolve(DriveRoot(CurrentDrive(cwd)), SplitPath(path));
  }
  return Resolve(cwd == "/" ? "" : cwd, SplitPath(path));
}

bool SamePath(std::string_view a, std::string_view b) {
  return FoldCase(HostPath(a)) == FoldCase(HostPath(b));
}

}  // namespace platform
