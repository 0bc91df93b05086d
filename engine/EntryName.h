#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Where an entry's name may put its file, and which names a pattern selects.
namespace arcazip {

// Splits an entry name into the folders and file it creates below the destination.
// `folderEntry` is the directory's decision (TZipEntry::IsDirectory); for a folder entry
// `parts` holds folders only. With `keepFolders` the stored folders are kept; a name that is
// absolute, starts with a drive letter, holds a NUL or climbs out with ".." is refused (false).
// Without `keepFolders` only the last component is kept, and it must be a real name (not
// empty, "." or ".."). Both "/" and "\" separate. In both modes every component that is
// created must also be a safe name on Windows (see IsSafeOnWindows).
bool SplitEntryPath(std::string_view name, bool keepFolders, bool folderEntry,
                    std::vector<std::string>& parts);

// True for a character no Windows file name holds: one of " * : < > ? | (a colon names a
// drive or an alternate data stream on NTFS), or a control character, 0x01-0x1F and DEL.
bool IsReservedOnWindows(char c);

// False for a component Windows would not create as named: one holding a reserved character
// (IsReservedOnWindows), a reserved device name (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, with
// or without an extension), or one ending in a dot or a blank. The engine applies it on every
// build, so an archive extracts to the same files wherever it is unpacked.
bool IsSafeOnWindows(std::string_view component);

// True when the parts, joined below a destination whose path is `baseLength` long, stay
// within the system's path length `maxPath` and nest at most kMaxFolderDepth folders.
bool WithinPathLimits(const std::vector<std::string>& parts, bool lastIsFolder, size_t baseLength,
                      size_t maxPath);

// True when the pattern selects the entry name. "*" and "*.*" select every entry in every
// folder; other patterns match "*" and "?" without regard to case, against the whole name or,
// for a pattern without folders, against the last component.
bool MatchesPattern(std::string_view pattern, std::string_view name);

}  // namespace arcazip
