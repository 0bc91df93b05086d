#pragma once
#include <cstdint>
#include <string>

// Error numbers of the sockets interface. Whatever the host, a socket failure that leaves the
// platform layer carries the Windows Sockets code of the same failure: the native Windows
// backend passes the system's codes through unchanged, the POSIX one maps errno and the
// resolver's codes onto these. The names are ours, so that they never meet the macros of the
// system's own sockets header.
namespace platform {
namespace SocketError {

constexpr int32_t kNone = 0;
constexpr int32_t kInterrupted = 10004;
constexpr int32_t kBadFile = 10009;
constexpr int32_t kAccessDenied = 10013;
constexpr int32_t kBadAddress = 10014;
constexpr int32_t kInvalidArgument = 10022;
constexpr int32_t kTooManyOpenSockets = 10024;
constexpr int32_t kWouldBlock = 10035;
constexpr int32_t kInProgress = 10036;
constexpr int32_t kAlreadyInProgress = 10037;
constexpr int32_t kNotASocket = 10038;
constexpr int32_t kDestinationRequired = 10039;
constexpr int32_t kMessageTooLong = 10040;
constexpr int32_t kWrongProtocolType = 10041;
constexpr int32_t kBadProtocolOption = 10042;
constexpr int32_t kProtocolNotSupported = 10043;
constexpr int32_t kSocketTypeNotSupported = 10044;
constexpr int32_t kOperationNotSupported = 10045;
constexpr int32_t kProtocolFamilyNotSupported = 10046;
constexpr int32_t kAddressFamilyNotSupported = 10047;
constexpr int32_t kAddressInUse = 10048;
constexpr int32_t kAddressNotAvailable = 10049;
constexpr int32_t kNetworkDown = 10050;
constexpr int32_t kNetworkUnreachable = 10051;
constexpr int32_t kNetworkReset = 10052;
// The transfer was ended on our side: a stop asked for, or the system's abort.
constexpr int32_t kConnectionAborted = 10053;
// The connection ended: a reset, or (with the socket's PeerClosed) the peer's orderly end.
constexpr int32_t kConnectionReset = 10054;
constexpr int32_t kNoBufferSpace = 10055;
constexpr int32_t kAlreadyConnected = 10056;
constexpr int32_t kNotConnected = 10057;
constexpr int32_t kShutDown = 10058;
constexpr int32_t kTooManyReferences = 10059;
constexpr int32_t kTimedOut = 10060;
constexpr int32_t kConnectionRefused = 10061;
constexpr int32_t kTooManyLinks = 10062;
constexpr int32_t kNameTooLong = 10063;
constexpr int32_t kHostDown = 10064;
constexpr int32_t kHostUnreachable = 10065;
constexpr int32_t kNotEmpty = 10066;
constexpr int32_t kTooManyProcesses = 10067;
constexpr int32_t kTooManyUsers = 10068;
constexpr int32_t kDiskQuota = 10069;
constexpr int32_t kStaleHandle = 10070;
constexpr int32_t kRemotePath = 10071;
// The network subsystem (or, in the layers above, the SSL plug-in) cannot serve the call.
constexpr int32_t kSystemNotReady = 10091;
constexpr int32_t kVersionNotSupported = 10092;
constexpr int32_t kNotInitialised = 10093;
constexpr int32_t kDisconnected = 10101;
constexpr int32_t kTypeNotFound = 10109;
constexpr int32_t kHostNotFound = 11001;
constexpr int32_t kTryAgain = 11002;
constexpr int32_t kNoRecovery = 11003;
constexpr int32_t kNoData = 11004;
// Host errors without a Windows Sockets counterpart are reported above this base, so their
// text says "Other Winsock error" with a number that still names the host's error.
constexpr int32_t kUnmappedBase = 20000;

}  // namespace SocketError

// The text of a code; "Other Winsock error (<code>)" for one the table does not know.
std::string SocketErrorText(int32_t ErrorCode);

}  // namespace platform
