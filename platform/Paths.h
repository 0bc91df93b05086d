#pragma once
#include <string>
#include <string_view>
#include <vector>

// Windows paths on this build. Windows programs run under a Wine prefix, so a path
// "X:\a\b" lives in $WINEPREFIX/drive_x/a/b (or wherever the prefix's dosdevices/x: link
// points). Existing components are matched without regard to case, as on Windows; new
// components keep the case given. "\" and "/" both separate components, and the dots and
// blanks that end a component are dropped, as Windows drops them.
namespace platform {

// The prefix folder: $WINEPREFIX, or ~/.wine when it is unset.
std::string WinePrefix();

// The user's folder for temporary files, as a Windows path without a trailing separator:
// the system's own on Windows; under a prefix C:\users\<user>\Temp, where Wine puts it.
std::string UserTempFolder();

// The name of the user the program runs as (the prefix's user folder is named after it).
std::string UserName();

// Host folder of a drive's root, without a trailing slash.
std::string DriveRoot(char letter);

// Host path for a Windows path. Absolute host paths ("/tmp/x", as Wine's drive Z: shows them)
// pass through; relative paths resolve against the current folder, and a path rooted without
// a drive ("\\a\\b") on the drive of the current folder (C: when that is on none of the
// prefix's drives). A trailing separator is
// dropped, so "c:\Varelo\" and "c:\varelo" give the same host path when the folder exists.
// A network path ("\\server\share") gives an empty text, on which every file operation fails.
std::string HostPath(std::string_view windowsPath);

// True when the two Windows paths name the same place once resolved.
bool SamePath(std::string_view a, std::string_view b);

// Lower case of a UTF-8 text for path comparison (ASCII and Latin-1 letters), as Windows
// compares file names.
std::string FoldCase(std::string_view text);

// The components of a path between its separators ("\\" or "/"), empty ones left out.
std::vector<std::string> SplitPath(std::string_view path);

// Splits off the last component of a Windows or host path ("c:\a\b.zip" -> "b.zip").
std::string FileNameOf(std::string_view path);

}  // namespace platform
