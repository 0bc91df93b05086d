// Feeds arbitrary server text to the FTP reply reader, line by line, and every line to the
// passive and extended passive parsers, checking what the client relies on: a reply never
// holds more than its limits, and an address taken from a reply is a real address and port.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/FTPClient.h"
#include "net/FTPReply.h"
#include "net/NetLimits.h"
#include "net/ProtoAddress.h"
#include "net/ProtoText.h"

namespace {

net::TFTPClient& Client() {
  static net::TFTPClient client;
  return client;
}

void CheckPort(const std::string& port, int64_t lowest) {
  const int64_t value = net::DecimalNumber(port);
  if (value < lowest || value > 65535)
    std::abort();
}

void ParseAddresses(const std::string& line) {
  net::TFTPClient& client = Client();
  client.SetTargetHost("target");
  if (client.ParseRemote(line)) {
    if (!net::IsIPv4Literal(client.DataIP()))
      std::abort();
    CheckPort(client.DataPort(), 0);
  }
  if (client.ParseRemoteEPSV(line)) {
    if (client.DataIP() != "target")
      std::abort();
    CheckPort(client.DataPort(), 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  net::TFTPReplyReader reader;
  net::TFTPReplyReader::TStep step = net::TFTPReplyReader::rsMore;
  size_t start = 0;
  while (start <= text.size() && step == net::TFTPReplyReader::rsMore) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    ParseAddresses(line);
    if (net::AnnouncedTransferSize(line) < -1)
      std::abort();
    step = reader.Add(line);
    start = end + 1;
  }
  if (reader.Lines().size() > static_cast<size_t>(net::kMaxFtpReplyLines))
    std::abort();
  // A code is given only for a complete reply, and it is the three digits its last line
  // begins with.
  if (reader.Code() != 0) {
    if (step != net::TFTPReplyReader::rsComplete || reader.Code() > 999)
      std::abort();
    const std::string& last = reader.Lines().back();
    if (net::DecimalNumber(last.substr(0, 3)) != reader.Code() || last[3] != ' ')
      std::abort();
  }
  ParseAddresses(text);
  return 0;
}
