#pragma once
#include <cstdint>
#include <string>

namespace net {

// Base of the protocol clients: the target, the local interface, the timeout in milliseconds
// and the credentials.
class TTramaClient {
 public:
  TTramaClient() = default;
  virtual ~TTramaClient() = default;
  TTramaClient(const TTramaClient&) = delete;
  TTramaClient& operator=(const TTramaClient&) = delete;

  const std::string& TargetHost() const { return FTargetHost; }
  void SetTargetHost(const std::string& value) { FTargetHost = value; }
  const std::string& TargetPort() const { return FTargetPort; }
  void SetTargetPort(const std::string& value) { FTargetPort = value; }
  const std::string& IPInterface() const { return FIPInterface; }
  void SetIPInterface(const std::string& value) { FIPInterface = value; }
  int32_t Timeout() const { return FTimeout; }
  void SetTimeout(int32_t value) { FTimeout = value; }
  const std::string& UserName() const { return FUserName; }
  void SetUserName(const std::string& value) { FUserName = value; }
  const std::string& Password() const { return FPassword; }
  void SetPassword(const std::string& value) { FPassword = value; }

 protected:
  std::string FTargetHost = "127.0.0.1";
  std::string FTargetPort = "0";
  std::string FIPInterface = "0.0.0.0";
  int32_t FTimeout = 5000;
  std::string FUserName;
  std::string FPassword;
};

}  // namespace net
