#pragma once
#include <string>
#include <string_view>
#include <vector>

// Listing of a folder tree by host path, for checks of what a writer left behind.
namespace platform {

// Every entry below the folder as a path relative to it, sorted; folders end with "/" and are
// descended into, links are listed but never followed.
std::vector<std::string> ListFolderTree(std::string_view hostFolder);

}  // namespace platform
