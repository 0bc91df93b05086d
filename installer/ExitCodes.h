#pragma once

// What the program's exit code tells a deployment script about the run.
namespace installer {

inline constexpr int kExitInstalled = 0;
inline constexpr int kExitCouldNotStart = 1;        // the sockets library or the window toolkit
inline constexpr int kExitBadOptions = 2;           // the command line, or a choice incomplete
inline constexpr int kExitEarlierInstallation = 3;  // refused: the product is there already
inline constexpr int kExitNotFetched = 4;           // a package did not arrive whole
inline constexpr int kExitNotUnpacked = 5;          // a package damaged or not wholly unpacked
inline constexpr int kExitNoRoom = 6;               // not enough disk space
inline constexpr int kExitNotWritten = 7;           // a settings file or the shortcut
inline constexpr int kExitCancelled = 8;            // the window was closed during the run

}  // namespace installer
