#pragma once
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/TempDir.h"

namespace varelo::e2e {

// A Wine prefix of one test's own, for a Windows program run under Wine on the virtual display.
//
// Making a prefix (wineboot) takes half a minute, so one template is made once under
// `templateRoot` (the Windows build's folder) and each test gets a copy of it: its own
// registry files and drive C:, the Windows folder hard-linked (nothing the installer does
// writes there) and the rest copied. The user's special folders of the template are plain
// folders, not links into a home folder, so that what lands on one test's desktop is that
// test's alone.
//
// For the life of the object the environment names the prefix and keeps Wine quiet: WINEPREFIX,
// WINEARCH=win64, WINELOADER (the 64-bit loader), WINEDEBUG=-all, no offers to install its .NET and
// HTML runtimes, no menu entries, and HOME in a temporary folder. When the object goes, the
// prefix's wineserver and everything it still runs are stopped (wineserver -k) and the environment
// is restored.
class TWinePrefix {
 public:
  explicit TWinePrefix(const std::string& templateRoot);
  ~TWinePrefix();
  TWinePrefix(const TWinePrefix&) = delete;
  TWinePrefix& operator=(const TWinePrefix&) = delete;

  bool Ready() const { return ready_; }
  // What went wrong while the template or the copy was made.
  const std::string& Log() const { return log_; }
  std::string Path() const { return dir_ / "prefix"; }
  std::string Drive() const { return dir_ / "prefix/drive_c"; }
  // The host folder of the user's desktop, as the prefix's registry names it by default.
  std::string Desktop() const;
  // The top-level entries of drive C: that the prefix had before the test (Windows folder,
  // program folders, users).
  const std::set<std::string>& PrefixOwn() const { return own_; }
  // Stops everything that runs in the prefix; gives wineserver's exit code.
  int KillServer();
  // The loader that starts a 64-bit Windows program here (tools/wine-loader), empty when this
  // machine has none; never the `wine` command, which prefers a 32-bit loader that may not run.
  static std::string Loader();

 private:
  bool MakeTemplate(const std::string& templateRoot);
  bool CopyTemplate(const std::string& templ);
  void SetEnv(const char* name, const std::string& value);

  test::TTempDir dir_;
  std::vector<std::pair<std::string, std::optional<std::string>>> savedEnv_;
  std::set<std::string> own_;
  std::string log_;
  bool ready_ = false;
};

}  // namespace varelo::e2e
