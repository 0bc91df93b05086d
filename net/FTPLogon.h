#pragma once
#include <array>
#include <cstdint>

// The logon sequences of the FTP client: six steps of three bytes each, the action to send,
// the next step's offset when the reply class is 2 and when it is 3. Offsets are 0, 3, 6, 9,
// 12 and 15; kLogonSuccess ends the logon with success, kLogonFailure with failure. Modes 1 to
// 8 cover the common FTP firewalls; -1 takes the caller's own table.
namespace net {

using TLogonActions = std::array<uint8_t, 18>;

constexpr uint8_t kLogonSuccess = 255;
constexpr uint8_t kLogonFailure = 254;

// The logon actions.
enum TLogonAction : uint8_t {
  LA_User = 0,               // "USER " + UserName
  LA_Pass = 1,               // "PASS " + Password
  LA_Acct = 2,               // "ACCT " + Account
  LA_FWUser = 3,             // "USER " + FWUsername
  LA_FWPass = 4,             // "PASS " + FWPassword
  LA_Site = 5,               // "SITE " + server
  LA_UserAtServer = 6,       // "USER " + UserName + "@" + server
  LA_Open = 7,               // "OPEN " + server
  LA_FWUserAtServer = 8,     // "USER " + FWUsername + "@" + server
  LA_UserAtServerFW = 9,     // "USER " + UserName + "@" + server + " " + FWUsername
  LA_UserAtFWAtServer = 10,  // "USER " + UserName + "@" + FWUsername + "@" + server
  LA_PassAtFWPass = 11,      // "PASS " + Password + "@" + FWPassword
};

// The table of a mode: -1 gives `custom`, 1 to 8 their firewall tables, anything else mode 0.
const TLogonActions& LogonTable(int32_t mode, const TLogonActions& custom);

}  // namespace net
