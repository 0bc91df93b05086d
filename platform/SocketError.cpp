#include "platform/SocketError.h"

namespace platform {

std::string SocketErrorText(int32_t ErrorCode) {
  struct TErrorText {
    int32_t code;
    const char* text;
  };
  static constexpr TErrorText kTexts[] = {
      {SocketError::kNone, ""},
      {SocketError::kInterrupted, "Interrupted system call"},
      {SocketError::kBadFile, "Bad file number"},
      {SocketError::kAccessDenied, "Permission denied"},
      {SocketError::kBadAddress, "Bad address"},
      {SocketError::kInvalidArgument, "Invalid argument"},
      {SocketError::kTooManyOpenSockets, "Too many open files"},
      {SocketError::kWouldBlock, "Operation would block"},
      {SocketError::kInProgress, "Operation now in progress"},
      {SocketError::kAlreadyInProgress, "Operation already in progress"},
      {SocketError::kNotASocket, "Socket operation on nonsocket"},
      {SocketError::kDestinationRequired, "Destination address required"},
      {SocketError::kMessageTooLong, "Message too long"},
      {SocketError::kWrongProtocolType, "Protocol wrong type for Socket"},
      {SocketError::kBadProtocolOption, "Protocol not available"},
      {SocketError::kProtocolNotSupported, "Protocol not supported"},
      {SocketError::kSocketTypeNotSupported, "Socket not supported"},
      {SocketError::kOperationNotSupported, "Operation not supported on Socket"},
      {SocketError::kProtocolFamilyNotSupported, "Protocol family not supported"},
      {SocketError::kAddressFamilyNotSupported, "Address family not supported"},
      {SocketError::kAddressInUse, "Address already in use"},
      {SocketError::kAddressNotAvailable, "Can't assign requested address"},
      {SocketError::kNetworkDown, "Network is down"},
      {SocketError::kNetworkUnreachable, "Network is unreachable"},
      {SocketError::kNetworkReset, "Network dropped connection on reset"},
      {SocketError::kConnectionAborted, "Software caused connection abort"},
      {SocketError::kConnectionReset, "Connection reset by peer"},
      {SocketError::kNoBufferSpace, "No Buffer space available"},
      {SocketError::kAlreadyConnected, "Socket is already connected"},
      {SocketError::kNotConnected, "Socket is not connected"},
      {SocketError::kShutDown, "Can't send after Socket shutdown"},
      {SocketError::kTooManyReferences, "Too many references:can't splice"},
      {SocketError::kTimedOut, "Connection timed out"},
      {SocketError::kConnectionRefused, "Connection refused"},
      {SocketError::kTooManyLinks, "Too many levels of symbolic links"},
      {SocketError::kNameTooLong, "File name is too long"},
      {SocketError::kHostDown, "Host is down"},
      {SocketError::kHostUnreachable, "No route to host"},
      {SocketError::kNotEmpty, "Directory is not empty"},
      {SocketError::kTooManyProcesses, "Too many processes"},
      {SocketError::kTooManyUsers, "Too many users"},
      {SocketError::kDiskQuota, "Disk quota exceeded"},
      {SocketError::kStaleHandle, "Stale NFS file handle"},
      {SocketError::kRemotePath, "Too many levels of remote in path"},
      {SocketError::kSystemNotReady, "Network subsystem is unusable"},
      {SocketError::kVersionNotSupported, "Winsock DLL cannot support this application"},
      {SocketError::kNotInitialised, "Winsock not initialized"},
      {SocketError::kDisconnected, "Disconnect"},
      {SocketError::kHostNotFound, "Host not found"},
      {SocketError::kTryAgain, "Non authoritative - host not found"},
      {SocketError::kNoRecovery, "Non recoverable error"},
      {SocketError::kNoData, "Valid name, no data record of requested type"},
  };
  for (const TErrorText& entry : kTexts) {
    if (entry.code == ErrorCode) {
      return entry.text;
    }
  }
  return "Other Winsock error (" + std::to_string(ErrorCode) + ")";
}

}  // namespace platform
