#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/FolderList.h"
#include "tests/engine/EngineCaller.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZipBuilder.h"

namespace varelo::test {

// A work folder holding the archive and a destination folder "dest"; the caller is set up to
// extract one into the other.
class EngineFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(caller.Loaded()) << caller.Library().ErrorText();
    ASSERT_TRUE(platform::ForceDirectories(work / "dest"));
    caller.archive = work / "test.zip";
    caller.baseDir = work / "dest";
  }
  void WriteArchive(const std::vector<TZipItem>& items, const TZipLayout& layout = {}) {
    WriteFileBytes(caller.archive, BuildZip(items, layout));
  }
  // Points the caller at the crafted archive `name` of tests/engine/fixtures, which `bytes`
  // describe (the builder's output when it was made). With VARELO_WRITE_FIXTURES=1 the
  // fixture is written anew from `bytes`.
  void UseFixture(const std::string& name, const std::string& bytes) {
    const std::string path = std::string(ENGINE_FIXTURE_DIR) + "/" + name;
    const char* rewrite = std::getenv("VARELO_WRITE_FIXTURES");
    if (rewrite != nullptr && std::string(rewrite) == "1")
      WriteFileBytes(path, bytes);
    if (!PathExists(path)) {
      ADD_FAILURE() << "missing fixture " << path << " (VARELO_WRITE_FIXTURES=1 makes it)";
      caller.archive = work / name;
      WriteFileBytes(caller.archive, bytes);
      return;
    }
    caller.archive = path;
  }
  std::vector<std::string> DestTree() const { return platform::ListFolderTree(work / "dest"); }
  // Everything in the work folder outside "dest".
  std::vector<std::string> OutsideTree() const {
    std::vector<std::string> out;
    for (const std::string& p : platform::ListFolderTree(work.Path())) {
      if (p.rfind("dest/", 0) != 0 && p != "test.zip")
        out.push_back(p);
    }
    return out;
  }
  std::string Dest(const std::string& name) const { return work / ("dest/" + name); }

  TTempDir work;
  TEngineCaller caller;
};

}  // namespace varelo::test
