#include "tests/support/SmallDisk.h"

#include <filesystem>

#include "tests/support/Process.h"

namespace varelo::test {

TSmallDisk::TSmallDisk(const std::string& folder, int64_t bytes) : folder_(folder) {
  std::filesystem::create_directories(folder);
  mounted_ =
      RunCommand({"mount", "-t", "tmpfs", "-o", "size=" + std::to_string(bytes), "tmpfs", folder},
                 &log_) == 0;
}

TSmallDisk::~TSmallDisk() {
  if (mounted_)
    RunCommand({"umount", "-l", folder_});
}

}  // namespace varelo::test
