#pragma once
#include <string>
#include <vector>

#include "tests/support/ScriptedServer.h"

// Scripted FTP conversations: a control-connection script that answers each command line
// with the next canned reply, and the PASV reply that sends the client to a scripted data
// server.
namespace varelo::test {

// The greeting, then one reply per command line received (each reply sent whole, CR LF
// added to every line that lacks it). A reply written "~226 Done" is sent 100 ms after the
// one before it, without waiting for a command: the end of a transfer. Ends by holding the
// connection open for `holdMs` (until the client closes), so the client's last reply is not cut by
// the close; 0 leaves the script open for more steps.
inline TScript FtpDialogue(const std::string& greeting, const std::vector<std::string>& replies,
                           int holdMs = 300) {
  auto withCrlf = [](const std::string& reply) {
    return reply.size() >= 2 && reply.compare(reply.size() - 2, 2, "\r\n") == 0 ? reply
                                                                                : reply + "\r\n";
  };
  TScript script;
  script.Send(withCrlf(greeting));
  for (const auto& reply : replies) {
    if (!reply.empty() && reply[0] == '~') {
      script.Pause(100).Send(withCrlf(reply.substr(1)));
      continue;
    }
    script.WaitFor("\r\n");
    if (!reply.empty())
      script.Send(withCrlf(reply));
  }
  if (holdMs > 0)
    script.HoldOpen(holdMs);
  return script;
}

// The replies of a plain login as the client sends it: USER, PASS, TYPE I, STRU F, MODE S,
// and the restart probe (REST 0, REST 1 and, when the server restarts, REST 0 again).
inline std::vector<std::string> FtpLoginReplies(bool restarts = true) {
  std::vector<std::string> replies{"331 Password please", "230 Logged in", "200 Type set",
                                   "200 Structure set", "200 Mode set"};
  if (restarts) {
    replies.insert(replies.end(), {"350 Restart at 0", "350 Restart at 1", "350 Restart at 0"});
  } else {
    replies.push_back("502 No REST");
  }
  return replies;
}

// The commands of that login, one per line.
inline std::string FtpLoginCommands(const std::string& user, const std::string& password,
                                    bool restarts = true) {
  std::string text =
      "USER " + user + "\r\nPASS " + password + "\r\nTYPE I\r\nSTRU F\r\nMODE S\r\nREST 0\r\n";
  if (restarts)
    return text + "REST 1\r\nREST 0\r\n";
  return text;
}

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)" for an IPv4 address and port.
inline std::string PasvReply(const std::string& ip, int port) {
  std::string fields;
  for (char c : ip)
    fields += c == '.' ? ',' : c;
  return "227 Entering Passive Mode (" + fields + "," + std::to_string(port / 256) + "," +
         std::to_string(port % 256) + ")";
}

inline void AppendAll(std::vector<std::string>& to, const std::vector<std::string>& from) {
  to.insert(to.end(), from.begin(), from.end());
}

}  // namespace varelo::test
