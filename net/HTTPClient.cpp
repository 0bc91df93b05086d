#include "net/HTTPClient.h"

#include <algorithm>
#include <charconv>

#include "net/NetLimits.h"
#include "net/ProtoUtils.h"
#include "platform/CodePage.h"

namespace net {
namespace {

constexpr const char* kCRLF = "\r\n";
// Request bodies below this size go out in the same send as the header block.
constexpr int64_t kSingleSendBodyLimit = 65536;
constexpr int32_t kSocketBufferRequest = 65536;

// Removes spaces and control characters from both ends, as the protocol's trimming does.
std::string Trim(std::string_view value) {
  size_t first = 0;
  size_t last = value.size();
  while (first < last && static_cast<unsigned char>(value[first]) <= ' ')
    ++first;
  while (last > first && static_cast<unsigned char>(value[last - 1]) <= ' ')
    --last;
  return std::string(value.substr(first, last - first));
}

std::string Upper(std::string_view value) {
  std::string result(value);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

std::string Lower(std::string_view value) {
  std::string result(value);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
}

bool StartsWith(std::string_view value, std::string_view prefix) {
  return value.substr(0, prefix.size()) == prefix;
}

// A whole decimal (or, with base 16, hexadecimal) number with an optional sign; `fallback`
// when the text is not one or does not fit.
int64_t ParseInteger(const std::string& text, int64_t fallback, int base = 10) {
  std::string_view digits = text;
  if (!digits.empty() && digits[0] == '+')
    digits.remove_prefix(1);
  if (digits.empty())
    return fallback;
  int64_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (error != std::errc() || end != digits.data() + digits.size())
    return fallback;
  return value;
}

// A chunk size: hexadecimal digits only, of a value that fits in 63 bits; -1 when it is not.
int64_t ParseChunkSize(std::string_view text) {
  if (text.empty())
    return -1;
  int64_t value = 0;
  for (char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    if (digit < 0 || value > (INT64_MAX - digit) / 16)
      return -1;
    value = value * 16 + digit;
  }
  return value;
}

std::string BracketIPv6(const std::string& host) {
  return IsIPv6Literal(host) ? "[" + host + "]" : host;
}

}  // namespace

THTTPClient::THTTPClient()
    : FSock(std::make_unique<TTCPBlockingSocket>()), FDocument(std::make_unique<TMemoryStream>()) {
  FTargetPort = "80";
  FTimeout = 90000;
  FSock->SetOwner(this);
  FSock->SetConvertLineEnd(true);
  FSock->SetSizeRecvBuffer(kSocketBufferRequest);
  FSock->SetSizeSendBuffer(kSocketBufferRequest);
  Clear();
}

THTTPClient::~THTTPClient() {
  FSock.reset();
  FDocument.reset();
  FCookies.clear();
  FHeaders.clear();
}

void THTTPClient::Clear() {
  FRangeStart = 0;
  FRangeEnd = 0;
  FDocument->Clear();
  RequestStream().SetSize(0);
  ResponseStream().SetSize(0);
  FHeaders.clear();
  FMimeType = "text/html";
}

void THTTPClient::DecodeStatus(const std::string& Value) {
  std::string s = Trim(TextAfter(Value, " "));
  int64_t code = ParseInteger(Trim(TextBefore(s, " ")), 0);
  FResultCode = code >= INT32_MIN && code <= INT32_MAX ? static_cast<int32_t>(code) : 0;
  FResultString = Trim(TextAfter(s, " "));
  if (FResultString == s)
    FResultString.clear();
}

void THTTPClient::Abort() {
  FSock->SetStopFlag(true);
}

bool THTTPClient::ConnectTarget(bool UseSSL) {
  FSock->CloseSocket();
  FSock->Bind(FIPInterface, "0");
  if (FSock->LastError() != 0)
    return false;
  FSock->Connect(FTargetHost, FTargetPort);
  if (FSock->LastError() != 0)
    return false;
  if (UseSSL) {
    if (FSock->SSL().SNIHost.empty())
      FSock->SSL().SNIHost = FTargetHost;
    FSock->SSLDoConnect();
    FSock->SSL().SNIHost.clear();
    if (FSock->LastError() != 0)
      return false;
  }
  FAliveHost = FTargetHost;
  FAlivePort = FTargetPort;
  return true;
}

bool THTTPClient::ConnectOrReuse(bool UseSSL) {
  // A kept-alive connection to the same target is reused unless the peer has already sent
  // something (a close, or bytes nobody asked for).
  if (FSock->Socket() != platform::kInvalidSocket && FAliveHost == FTargetHost &&
      FAlivePort == FTargetPort && !FSock->CanRead(0)) {
    return true;
  }
  return ConnectTarget(UseSSL);
}

std::string THTTPClient::RequestHeaderText() {
  std::string text;
  if (FProtocol == "0.9") {
    if (!FHeaders.empty())
      text = FHeaders.front() + kCRLF;
  } else {
    for (const auto& line : FHeaders)
      text += line + kCRLF;
  }
  return platform::Utf8ToAnsi(text);
}

void THTTPClient::BuildRequestHeaders(const std::string& Method, const std::string& Protocol,
                                      const std::string& User, const std::string& Password,
                                      const std::string& Host, const std::string& Port,
                                      const std::string& Target, bool AbsoluteForm, bool HasBody,
                                      bool Expect) {
  const std::string protocol = Upper(Protocol);
  std::string target = Target;
  if (AbsoluteForm)
    target = Protocol + "://" + BracketIPv6(Host) + ":" + Port + target;
  if (target == "/*")
    target = "*";
  std::string requestLine = Upper(Method) + " " + target;
  if (FProtocol != "0.9")
    requestLine += " HTTP/" + FProtocol;

  std::string hostLine = "Host: " + BracketIPv6(Host);
  if (FAddPortNumberToHost &&
      ((protocol == "HTTP" && Port != "80") || (protocol == "HTTPS" && Port != "443"))) {
    hostLine += ":" + Port;
  }

  // The block from the top down; the caller's own lines follow it.
  std::vector<std::string> block{requestLine, hostLine};
  if (AbsoluteForm && !FProxyUser.empty()) {
    block.push_back("Proxy-Authorization: Basic " +
                    Base64Encode(platform::Utf8ToAnsi(FProxyUser + ":" + FProxyPass)));
  }
  if (!User.empty())
    block.push_back("Authorization: Basic " + Base64Encode(User + ":" + Password));
  const std::string prefix = AbsoluteForm ? "Proxy-" : "";
  if (FKeepAlive) {
    block.push_back("Keep-Alive: " + std::to_string(FKeepAliveTimeout));
    block.push_back(prefix + "Connection: keep-alive");
  } else {
    block.push_back(prefix + "Connection: close");
  }
  if (!FCookies.empty()) {
    std::string cookies;
    for (const auto& cookie : FCookies)
      cookies += (cookies.empty() ? "" : "; ") + cookie;
    block.push_back("Cookie: " + cookies);
  }
  if (FRangeStart > 0 || FRangeEnd > 0) {
    std::string range = "Range: bytes=" + std::to_string(FRangeStart) + "-";
    if (FRangeEnd >= FRangeStart)
      range += std::to_string(FRangeEnd);
    block.push_back(range);
  }
  if (!FUserAgent.empty())
    block.push_back("User-Agent: " + FUserAgent);
  if (HasBody) {
    if (!FMimeType.empty())
      block.push_back("Content-Type: " + FMimeType);
    block.push_back("Content-Length: " + std::to_string(RequestStream().Size()));
  }
  if (Expect)
    block.push_back("Expect: 100-continue");
  FHeaders.insert(FHeaders.begin(), block.begin(), block.end());
}

std::string THTTPClient::ReadHeaderLine(int64_t& BlockBytes) {
  // A line without an end must not grow without bound: unless the caller set a tighter
  // limit, a line may take the whole header block's allowance and no more.
  int32_t saved = FSock->MaxLineLength();
  if (saved == 0 || saved > kMaxHeaderBlockBytes)
    FSock->SetMaxLineLength(kMaxHeaderBlockBytes);
  std::string line = FSock->RecvString(FTimeout);
  FSock->SetMaxLineLength(saved);
  if (FSock->LastError() != 0)
    return "";
  BlockBytes += static_cast<int64_t>(line.size()) + 2;
  if (BlockBytes > kMaxHeaderBlockBytes) {
    FSock->FailWith(WSAENOBUFS);
    return "";
  }
  return line;
}

bool THTTPClient::SendRequest(bool Expect, bool HasBody, std::string& StatusLine,
                              std::vector<std::string>& HeaderLines) {
  TStream& body = RequestStream();
  body.SetPosition(0);
  const std::string header = RequestHeaderText();
  const int64_t bodySize = HasBody ? body.Size() : 0;
  if (Expect) {
    FSock->SendString(header);
    if (FSock->LastError() != 0)
      return false;
    int64_t blockBytes = 0;
    std::string line;
    while (line.empty() && FSock->LastError() == 0)
      line = ReadHeaderLine(blockBytes);
    DecodeStatus(line);
    std::vector<std::string> lines;
    while (FSock->LastError() == 0) {
      std::string headerLine = ReadHeaderLine(blockBytes);
      if (FSock->LastError() != 0)
        break;
      lines.push_back(platform::AnsiToUtf8(headerLine));
      if (headerLine.empty())
        break;
    }
    if (FResultCode >= 100 && FResultCode <= 199) {
      FUploadSize = bodySize;
      FSock->SendStreamRaw(body);
    } else {
      // The server answered at once without waiting for the body: this is the response, and
      // its header block has been read already.
      StatusLine = platform::AnsiToUtf8(line);
      HeaderLines = std::move(lines);
    }
  } else if (HasBody && bodySize < kSingleSendBodyLimit) {
    std::string request = header + ReadBytes(body, bodySize);
    FUploadSize = static_cast<int64_t>(request.size());
    FSock->SendString(request);
  } else if (HasBody) {
    FSock->SendString(header);
    FUploadSize = bodySize;
    if (FSock->LastError() == 0)
      FSock->SendStreamRaw(body);
  } else {
    FSock->SendString(header);
  }
  return FSock->LastError() == 0;
}

bool THTTPClient::ReadStatus(const std::string& StatusLine, int64_t& BlockBytes) {
  if (!StatusLine.empty()) {
    FHeaders.push_back(StatusLine);
    return FSock->LastError() == 0;
  }
  // Interim "100" responses are read over; their status lines stay in Headers.
  do {
    // Empty lines before a status line are skipped; each still counts against the limit.
    std::string line;
    do {
      line = ReadHeaderLine(BlockBytes);
    } while (line.empty() && FSock->LastError() == 0);
    if (Upper(line.substr(0, 5)) == "HTTP/") {
      std::string text = platform::AnsiToUtf8(line);
      FHeaders.push_back(text);
      DecodeStatus(text);
    } else {
      // No status line: what came is already the body.
      WriteBytes(ResponseStream(), line + kCRLF);
      FResultCode = 0;
    }
  } while (FSock->LastError() == 0 && FResultCode == 100);
  return FSock->LastError() == 0;
}

void THTTPClient::ReadHeaders(std::vector<std::string> lines, bool AbsoluteForm,
                              int64_t& BlockBytes, int64_t& Size, bool& ToClose) {
  while (FSock->LastError() == 0 && (lines.empty() || !lines.back().empty())) {
    std::string line = ReadHeaderLine(BlockBytes);
    if (FSock->LastError() != 0)
      break;
    lines.push_back(platform::AnsiToUtf8(line));
    if (line.empty())
      break;
  }
  int index = 0;
  while (index < static_cast<int>(lines.size())) {
    std::string line = UnfoldHeaderLine(lines, index);
    FHeaders.push_back(line);
    std::string upper = Upper(line);
    if (StartsWith(upper, "CONTENT-LENGTH:")) {
      Size = ParseInteger(Trim(TextAfter(line, ":")), -1);
      if (Size != -1 && FTransferEncoding == TE_UNKNOWN)
        FTransferEncoding = TE_IDENTITY;
    } else if (StartsWith(upper, "CONTENT-TYPE:")) {
      FMimeType = Trim(TextAfter(line, ":"));
    } else if (StartsWith(upper, "TRANSFER-ENCODING:")) {
      if (Upper(TextAfter(line, ":")).find("CHUNKED") != std::string::npos) {
        FTransferEncoding = TE_CHUNKED;
      }
    }
    const char* connection = AbsoluteForm ? "PROXY-CONNECTION:" : "CONNECTION:";
    if (StartsWith(upper, connection) && upper.find("CLOSE") != std::string::npos)
      ToClose = true;
  }
}

void THTTPClient::ForgetConnection() {
  FAliveHost.clear();
  FAlivePort.clear();
}

void THTTPClient::CloseConnection() {
  // The socket's close keeps an error already recorded (it drains only a healthy connection),
  // so the caller still reads why the request ended.
  FSock->CloseSocket();
  ForgetConnection();
}

bool THTTPClient::HTTPMethod(const std::string& Method, const std::string& URL) {
  FResultCode = 500;
  FResultString.clear();
  FDownloadSize = 0;
  FUploadSize = 0;
  FBodyComplete = false;

  std::string protocol, user, password, host, port, path, parameters;
  std::string target = SplitUrl(Trim(URL), protocol, user, password, host, port, path, parameters);
  if (user.empty()) {
    user = platform::Utf8ToAnsi(FUserName);
    password = platform::Utf8ToAnsi(FPassword);
  } else {
    user = PercentDecode(platform::Utf8ToAnsi(user));
    password = PercentDecode(platform::Utf8ToAnsi(password));
  }

  const bool https = Upper(protocol) == "HTTPS";
  FSock->SetHTTPTunnelIP(https ? FProxyHost : "");
  FSock->SetHTTPTunnelPort(https ? FProxyPort : "");
  FSock->SetHTTPTunnelUser(https ? FProxyUser : "");
  FSock->SetHTTPTunnelPass(https ? FProxyPass : "");
  const bool absoluteForm = !FProxyHost.empty() && !https;

  const bool hasBody = RequestStream().Size() > 0;
  const bool expect = FStatus100 && hasBody && FProtocol == "1.1";
  BuildRequestHeaders(Method, protocol, user, password, host, port, target, absoluteForm, hasBody,
                      expect);
  FTargetHost = absoluteForm ? FProxyHost : host;
  FTargetPort = absoluteForm ? FProxyPort : port;
  if (!FHeaders.back().empty())
    FHeaders.push_back("");

  if (!ConnectOrReuse(https)) {
    ForgetConnection();
    return false;
  }
  std::string statusLine;
  std::vector<std::string> headerLines;
  if (!SendRequest(expect, hasBody, statusLine, headerLines)) {
    // A request sent in part leaves the connection unusable for the next one.
    ForgetConnection();
    return false;
  }

  // The response replaces the headers, the document and the response stream. A caller's own
  // request stream (a file being uploaded, say) is left as it was: emptying it would destroy
  // the caller's data.
  TStream* callerInput = FInputStream;
  FInputStream = nullptr;
  Clear();
  FInputStream = callerInput;
  int64_t size = -1;
  FTransferEncoding = TE_UNKNOWN;

  int64_t blockBytes = 0;
  ReadStatus(statusLine, blockBytes);
  bool toClose = FProtocol != "1.1";
  if (!FHeaders.empty()) {
    ReadHeaders(std::move(headerLines), absoluteForm, blockBytes, size, toClose);
  }
  if (FSock->LastError() != 0) {
    CloseConnection();
    return false;
  }

  bool result = true;
  if (Method != "HEAD" && FResultCode != 204 && FResultCode != 304) {
    if (FTransferEncoding == TE_IDENTITY) {
      result = ReadBodySized(size);
    } else if (FTransferEncoding == TE_CHUNKED) {
      result = ReadBodyChunked();
    } else {
      result = ReadBodyToClose();
      // The peer ended the body by closing: nothing of this connection can be used again.
      toClose = true;
    }
  }
  // Settled before the close below, whose status report is where a download judges the file.
  FBodyComplete = result;
  ResponseStream().SetPosition(0);
  if (toClose || !result) {
    // A body that failed leaves the connection in an unknown place: it is never reused.
    CloseConnection();
  }
  CollectCookies();
  return result;
}

bool THTTPClient::ReadBodyToClose() {
  TStream& out = ResponseStream();
  // Packets are gathered into large writes: small writes to a file cost far more per byte.
  std::string staging;
  bool written = true;
  auto flush = [&] {
    written = written && out.Write(staging.data(), static_cast<int64_t>(staging.size())) ==
                             static_cast<int64_t>(staging.size());
    staging.clear();
  };
  while (true) {
    std::string packet = FSock->RecvPacket(FTimeout);
    if (FSock->LastError() != 0)
      break;
    staging += packet;
    if (staging.size() >= static_cast<size_t>(kStreamWriteBlock))
      flush();
  }
  int32_t error = FSock->LastError();
  flush();
  if (!written) {
    // The response stream did not take everything (a full disk, say): that is no success.
    FSock->FailWith(WSAENOBUFS);
    return false;
  }
  if (error != WSAECONNRESET)
    return false;
  FSock->ResetLastError();
  return true;
}

bool THTTPClient::ReadBodySized(int64_t Size) {
  if (Size <= 0)
    return true;
  FDownloadSize = Size;
  TStream& out = ResponseStream();
  FSock->RecvStreamSizeBuffered(out, FTimeout, Size);
  out.SetPosition(out.Size());
  return FSock->LastError() == 0;
}

bool THTTPClient::ReadBodyChunked() {
  int64_t ignored = 0;
  while (true) {
    std::string line = ReadHeaderLine(ignored);
    ignored = 0;
    if (FSock->LastError() != 0)
      return false;
    if (line.empty())
      continue;
    std::string sizeText = Trim(TextBefore(Trim(TextBefore(line, " ")), ";"));
    int64_t size = ParseChunkSize(sizeText);
    if (size < 0) {
      // A size that is not a number leaves no way to find the end of the body: whatever came
      // so far is kept, but the body is not whole.
      FSock->FailWith(kErrorBodyFraming);
      return false;
    }
    if (size == 0)
      break;
    if (!ReadBodySized(size))
      return false;
  }
  return ReadTrailers();
}

bool THTTPClient::ReadTrailers() {
  // Header lines after the last chunk are read up to the empty line and dropped, so that
  // nothing of this response is left on the connection; they count against the header limit.
  int64_t blockBytes = 0;
  while (true) {
    std::string line = ReadHeaderLine(blockBytes);
    if (FSock->LastError() != 0)
      return false;
    if (line.empty())
      return true;
  }
}

void THTTPClient::CollectCookies() {
  for (const auto& line : FHeaders) {
    if (!StartsWith(Lower(line), "set-cookie:"))
      continue;
    std::string cookie = Trim(TextBefore(TextAfter(line, ":"), ";"));
    std::string name = Trim(TextBefore(cookie, "="));
    std::string value = Trim(TextAfter(cookie, "="));
    auto same = std::find_if(FCookies.begin(), FCookies.end(), [&](const std::string& entry) {
      return Lower(TextBefore(entry, "=")) == Lower(name);
    });
    if (value.empty()) {
      if (same != FCookies.end())
        FCookies.erase(same);
    } else if (same != FCookies.end()) {
      *same = name + "=" + value;
    } else {
      FCookies.push_back(name + "=" + value);
    }
  }
}

}  // namespace net
