#include "platform/OsError.h"

#include <cerrno>
#include <cstring>

#include "platform/PosixError.h"

namespace platform {

int OsErrorFromErrno(int hostError) {
  switch (hostError) {
    case 0:
      return kErrorNone;
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
      return kErrorAccessDenied;
    case EBADF:
      return kErrorInvalidHandle;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case EXDEV:
      return kErrorNotSameDevice;
    case EROFS:
      return kErrorWriteProtect;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK:
      return kErrorSharingViolation;
    case ENOTSUP:
      return kErrorNotSupported;
    case EINVAL:
      return kErrorInvalidParameter;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case EILSEQ:
      return kErrorInvalidName;
    case ENOTEMPTY:
      return kErrorDirNotEmpty;
    case EEXIST:
      return kErrorAlreadyExists;
    case ENAMETOOLONG:
      return kErrorFilenameTooLong;
    case EFBIG:
      return kErrorFileTooLarge;
    case EIO:
      return kErrorIoDevice;
    case ELOOP:
      return kErrorCantResolveFilename;
    default:
      return kErrorHostBit | hostError;
  }
}

int LastErrnoAsOsError() {
  return OsErrorFromErrno(errno);
}

std::string OsErrorText(int error) {
  switch (error) {
    case kErrorNone:
      return "The operation completed successfully.";
    case kErrorFileNotFound:
      return "The system cannot find the file specified.";
    case kErrorPathNotFound:
      return "The system cannot find the path specified.";
    case kErrorTooManyOpenFiles:
      return "The system cannot open the file.";
    case kErrorAccessDenied:
      return "Access is denied.";
    case kErrorInvalidHandle:
      return "The handle is invalid.";
    case kErrorNotEnoughMemory:
      return "Not enough memory resources are available to process this command.";
    case kErrorNotSameDevice:
      return "The system cannot move the file to a different disk drive.";
    case kErrorWriteProtect:
      return "The media is write protected.";
    case kErrorSharingViolation:
      return "The process cannot access the file because it is being used by another process.";
    case kErrorNotSupported:
      return "The request is not supported.";
    case kErrorInvalidParameter:
      return "The parameter is incorrect.";
    case kErrorDiskFull:
      return "There is not enough space on the disk.";
    case kErrorInvalidName:
      return "The filename, directory name, or volume label syntax is incorrect.";
    case kErrorDirNotEmpty:
      return "The directory is not empty.";
    case kErrorAlreadyExists:
      return "Cannot create a file when that file already exists.";
    case kErrorFilenameTooLong:
      return "The filename or extension is too long.";
    case kErrorFileTooLarge:
      return "The file size exceeds the limit allowed and cannot be saved.";
    case kErrorIoDevice:
      return "The request could not be performed because of an I/O device error.";
    case kErrorCantResolveFilename:
      return "The name of the file cannot be resolved by the system.";
    default:
      break;
  }
  if ((error & kErrorHostBit) != 0)
    return std::strerror(error & ~kErrorHostBit);
  return "System error " + std::to_string(error);
}

}  // namespace platform
