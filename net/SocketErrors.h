#pragma once
#include <cstdint>
#include <string>

// The texts of the Windows Sockets error codes that the socket layer reports.
namespace net {

// The text of a code; "Other Winsock error (<code>)" for one the table does not know.
std::string SocketErrorText(int32_t ErrorCode);

}  // namespace net
