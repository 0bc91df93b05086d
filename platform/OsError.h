#pragma once
#include <string>

// Error numbers of the platform layer. Whatever the host, a failure that leaves this layer
// carries the Windows system error code of the same failure, so the layers above compare
// with these names and a native Windows backend passes its own codes through unchanged.
namespace platform {

constexpr int kErrorNone = 0;
constexpr int kErrorFileNotFound = 2;
constexpr int kErrorPathNotFound = 3;
constexpr int kErrorTooManyOpenFiles = 4;
constexpr int kErrorAccessDenied = 5;
constexpr int kErrorInvalidHandle = 6;
constexpr int kErrorNotEnoughMemory = 8;
constexpr int kErrorNotSameDevice = 17;
constexpr int kErrorWriteProtect = 19;
constexpr int kErrorSharingViolation = 32;
constexpr int kErrorNotSupported = 50;
constexpr int kErrorInvalidParameter = 87;
constexpr int kErrorDiskFull = 112;
constexpr int kErrorInvalidName = 123;
constexpr int kErrorDirNotEmpty = 145;
// A file that is not a program or library for this system, or is damaged (a library cut short).
constexpr int kErrorBadExeFormat = 193;
// A name that is taken, by a file or a folder: creating a file, a folder, or renaming onto it.
constexpr int kErrorAlreadyExists = 183;
constexpr int kErrorFilenameTooLong = 206;
constexpr int kErrorFileTooLarge = 223;
constexpr int kErrorIoDevice = 1117;
constexpr int kErrorCantResolveFilename = 1921;
// Failures with no Windows counterpart keep the host's own number under this bit, the bit
// Windows leaves to applications, so their text is not lost.
constexpr int kErrorHostBit = 0x20000000;

// The message text for one of these codes, in the words of the host system.
std::string OsErrorText(int error);

}  // namespace platform
