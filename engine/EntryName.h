#pragma once
#include <string>
#include <string_view>
#include <vector>

// Where an entry's name may put its file, and which names a pattern selects.
namespace arcazip {

// Splits an entry name into the folders and file it creates below the destination. With
// `keepFolders` the stored folders are kept; a name that is absolute, starts with a drive
// letter, holds a NUL or climbs out with ".." is refused (false). Without `keepFolders` only
// the last component is kept, and it must be a real name (not empty, "." or ".."). Both "/"
// and "\" separate. For a folder entry (name ending in a separator) `parts` holds folders only.
bool SplitEntryPath(std::string_view name, bool keepFolders, std::vector<std::string>& parts);

// True when the pattern selects the entry name. "*" and "*.*" select every entry in every
// folder; other patterns match "*" and "?" without regard to case, against the whole name or,
// for a pattern without folders, against the last component.
bool MatchesPattern(std::string_view pattern, std::string_view name);

}  // namespace arcazip
