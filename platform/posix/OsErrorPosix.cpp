#include "platform/OsError.h"

#include <cerrno>
#include <cstring>

#include "platform/posix/PosixError.h"

namespace platform {
namespace {

struct TErrnoCode {
  int hostError;
  int code;
};

// The host's numbers and the layer's codes. Where several host numbers share a code, the
// first one names it when the code's text is asked for.
constexpr TErrnoCode kCodes[] = {
    {ENOENT, kErrorFileNotFound},       {ENOTDIR, kErrorPathNotFound},
    {EMFILE, kErrorTooManyOpenFiles},   {ENFILE, kErrorTooManyOpenFiles},
    {EACCES, kErrorAccessDenied},       {EPERM, kErrorAccessDenied},
    {EISDIR, kErrorAccessDenied},       {EBADF, kErrorInvalidHandle},
    {ENOMEM, kErrorNotEnoughMemory},    {EXDEV, kErrorNotSameDevice},
    {EROFS, kErrorWriteProtect},        {EBUSY, kErrorSharingViolation},
    {ETXTBSY, kErrorSharingViolation},  {EWOULDBLOCK, kErrorSharingViolation},
    {ENOTSUP, kErrorNotSupported},      {EINVAL, kErrorInvalidParameter},
    {ENOSPC, kErrorDiskFull},           {EDQUOT, kErrorDiskFull},
    {EILSEQ, kErrorInvalidName},        {ENOTEMPTY, kErrorDirNotEmpty},
    {EEXIST, kErrorAlreadyExists},      {ENAMETOOLONG, kErrorFilenameTooLong},
    {EFBIG, kErrorFileTooLarge},        {EIO, kErrorIoDevice},
    {ELOOP, kErrorCantResolveFilename}, {ENOEXEC, kErrorBadExeFormat},
};

}  // namespace

int OsErrorFromErrno(int hostError) {
  if (hostError == 0)
    return kErrorNone;
  for (const TErrnoCode& c : kCodes) {
    if (c.hostError == hostError)
      return c.code;
  }
  return kErrorHostBit | hostError;
}

int LastErrnoAsOsError() {
  return OsErrorFromErrno(errno);
}

// On this build the text is the host's own for the failure, as its users read it elsewhere.
std::string OsErrorText(int error) {
  if (error == kErrorNone)
    return std::strerror(0);
  if ((error & kErrorHostBit) != 0)
    return std::strerror(error & ~kErrorHostBit);
  for (const TErrnoCode& c : kCodes) {
    if (c.code == error)
      return std::strerror(c.hostError);
  }
  return "System error " + std::to_string(error);
}

}  // namespace platform
