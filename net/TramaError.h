#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace net {

// Raised by a socket whose RaiseExcept is set, and at start-up when the sockets interface
// cannot be loaded. The exception's message is the full text; ErrorMessage is the socket
// error's description alone.
class ETramaError : public std::runtime_error {
 public:
  ETramaError(const std::string& message, int32_t errorCode, const std::string& errorMessage)
      : std::runtime_error(message), FErrorCode(errorCode), FErrorMessage(errorMessage) {}

  int32_t ErrorCode() const { return FErrorCode; }
  const std::string& ErrorMessage() const { return FErrorMessage; }

 private:
  int32_t FErrorCode;
  std::string FErrorMessage;
};

}  // namespace net
