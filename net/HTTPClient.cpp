#include "net/HTTPClient.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "net/NetLimits.h"
#include "net/ProgressWindow.h"
#include "net/ProtoUtils.h"
#include "net/ScopeExit.h"
#include "platform/CodePage.h"

namespace net {
namespace {

constexpr const char* kCRLF = "\r\n";

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

bool HasControlCharacter(std::string_view value) {
  return std::any_of(value.begin(), value.end(),
                     [](char c) { return static_cast<unsigned char>(c) < ' ' || c == '\x7f'; });
}

bool IsInterim(int32_t code) {
  return code >= 100 && code <= 199;
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
  FSock->SetSizeRecvBuffer(kHttpSocketBufferRequest);
  FSock->SetSizeSendBuffer(kHttpSocketBufferRequest);
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
  std::string s = TrimControlAndSpaces(TextAfter(Value, " "));
  const int64_t code = DecimalNumber(TrimControlAndSpaces(TextBefore(s, " ")));
  FResultCode = code >= 0 && code <= INT32_MAX ? static_cast<int32_t>(code) : 0;
  FResultString = TrimControlAndSpaces(TextAfter(s, " "));
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
  // A connect to an address that does not answer gives up within the request's Timeout
  // (unless the caller set a connect limit of its own) instead of the system's own limit.
  FSock->SetConnectFallbackTimeout(FTimeout > 0 ? FTimeout : 0);
  FSock->Connect(FTargetHost, FTargetPort);
  if (FSock->LastError() != 0)
    return false;
  // A send that cannot progress (a peer that stopped reading) gives up within Timeout too.
  if (FTimeout > 0)
    FSock->SetSendTimeout(FTimeout);
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
  // A kept-alive connection to the same target is reused only when nothing is left unread,
  // neither in the socket (a close, or bytes nobody asked for) nor in the line buffer.
  if (FSock->Socket() != platform::kInvalidSocket && FSock->LastCR() &&
      FSock->LineBuffer().empty() && FSock->WaitingData() > 0) {
    // The last answer ended with a CR whose LF came in a packet of its own: that LF belongs to
    // the answer, not to the next one. Whatever follows it stays in the line buffer.
    FSock->SetLineBuffer(FSock->RecvPacket(0));
  }
  if (FSock->Socket() != platform::kInvalidSocket && FAliveHost == FTargetHost &&
      FAlivePort == FTargetPort && FSock->LineBuffer().empty() && !FSock->CanRead(0)) {
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

int32_t THTTPClient::HeaderWaitLeft() const {
  if (FTimeout <= 0)
    return FTimeout;
  const uint32_t spent = TickSpan(FHeaderStart, TickNow());
  return spent >= static_cast<uint32_t>(FTimeout) ? 0 : FTimeout - static_cast<int32_t>(spent);
}

std::string THTTPClient::ReadHeaderLine(int64_t& BlockBytes) {
  return ReadHeaderLine(BlockBytes, HeaderWaitLeft());
}

std::string THTTPClient::ReadHeaderLine(int64_t& BlockBytes, int32_t Wait) {
  // A line without an end must not grow without bound: unless the caller set a tighter
  // limit, a line may take the whole header block's allowance and no more. The caller's
  // settings come back however the read ends, also when it raises.
  const int32_t saved = FSock->MaxLineLength();
  const bool savedInterPacket = FSock->InterPacketTimeout();
  TScopeExit restore([&] {
    FSock->SetMaxLineLength(saved);
    FSock->SetInterPacketTimeout(savedInterPacket);
  });
  if (saved == 0 || saved > kMaxHeaderLineBytes)
    FSock->SetMaxLineLength(kMaxHeaderLineBytes);
  // The wait holds for the line as a whole, not for each packet of it: a server that sends a
  // byte now and then cannot stretch it.
  FSock->SetInterPacketTimeout(false);
  FPreviousBreak = FSock->LastLineBreak();
  std::string line = FSock->RecvString(Wait);
  if (FSock->LastError() != 0)
    return "";
  BlockBytes += static_cast<int64_t>(line.size()) + 2;
  if (BlockBytes > kMaxHeaderBlockBytes) {
    FSock->FailWith(SocketError::kNoBufferSpace);
    return "";
  }
  return line;
}

void THTTPClient::DataFollows() {
  // The line reader takes LF CR as one line end, and a lone LF at the end of a packet makes it
  // drop a CR that starts the next one. Both are right inside a header block but wrong where
  // data follows the line: with bare-LF lines, a body (or chunk) whose first byte is CR would
  // lose it. A lone CR stays pending: its LF, arriving next, belongs to the line.
  const std::string& lineBreak = FSock->LastLineBreak();
  if (lineBreak == "\n\r" && FPreviousBreak != "\n\r")
    FSock->SetLineBuffer("\r" + FSock->LineBuffer());
  FSock->SetLineEndState(FSock->LastCR(), false);
}

bool THTTPClient::ReadHeaderBlock(std::vector<std::string>& Lines, int64_t& BlockBytes) {
  while (FSock->LastError() == 0) {
    std::string line = ReadHeaderLine(BlockBytes);
    if (FSock->LastError() != 0)
      break;
    Lines.push_back(platform::AnsiToUtf8(line));
    if (line.empty())
      break;
  }
  return FSock->LastError() == 0;
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
    FHeaderStart = TickNow();
    int64_t blockBytes = 0;
    std::string line;
    while (line.empty() && FSock->LastError() == 0)
      line = ReadHeaderLine(blockBytes);
    DecodeStatus(line);
    std::vector<std::string> lines;
    if (FSock->LastError() == 0)
      ReadHeaderBlock(lines, blockBytes);
    if (FSock->LastError() != 0)
      return false;
    if (IsInterim(FResultCode)) {
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
  bool interim = false;
  while (true) {
    // Empty lines before a status line are skipped; each still counts against the limit.
    std::string skipped;
    std::string line;
    do {
      line = ReadHeaderLine(BlockBytes);
      if (line.empty() && FSock->LastError() == 0)
        skipped += FSock->LastLineBreak();
    } while (line.empty() && FSock->LastError() == 0);
    if (FSock->LastError() != 0) {
      // After an interim answer the final one is missing: that is a failed request, not a
      // body. Without any answer the stream gets the line end of the empty first line.
      if (!interim) {
        WriteBytes(ResponseStream(), kCRLF);
        FResultCode = 0;
      }
      return false;
    }
    if (Upper(line.substr(0, 5)) == "HTTP/") {
      std::string text = platform::AnsiToUtf8(line);
      FHeaders.push_back(text);
      DecodeStatus(text);
      if (!IsInterim(FResultCode))
        return true;
      // Every interim answer (100, 102, 103, ...) is read with its header block and skipped;
      // its status line stays in Headers, its header lines are dropped.
      interim = true;
      std::vector<std::string> ignored;
      if (!ReadHeaderBlock(ignored, BlockBytes))
        return false;
      continue;
    }
    if (interim) {
      FSock->FailWith(kErrorResponseRefused);
      return false;
    }
    // No status line: what came is already the body, kept exactly as it was sent.
    WriteBytes(ResponseStream(), skipped + line + FSock->LastLineBreak());
    FSock->SetLineEndState(false, false);
    FResultCode = 0;
    return true;
  }
}

bool THTTPClient::ReadHeaders(std::vector<std::string> lines, bool AbsoluteForm,
                              int64_t& BlockBytes, int64_t& Size, bool& ToClose) {
  if (lines.empty() || !lines.back().empty()) {
    if (!ReadHeaderBlock(lines, BlockBytes))
      return false;
  }
  // A first header line that begins with white space continues nothing: a length or an
  // encoding hidden that way must not be ignored silently, so the answer is refused.
  bool refused = !lines.empty() && !lines[0].empty() && (lines[0][0] == ' ' || lines[0][0] == '\t');
  bool haveLength = false;
  int index = 0;
  while (index < static_cast<int>(lines.size())) {
    std::string line = UnfoldHeaderLine(lines, index);
    FHeaders.push_back(line);
    std::string upper = Upper(line);
    if (StartsWith(upper, "CONTENT-LENGTH:")) {
      // Equal duplicates are harmless; a second, different length, a negative one or one that
      // is not a number leaves no length to trust.
      const int64_t value = DecimalNumber(TrimControlAndSpaces(TextAfter(line, ":")));
      if (value < 0 || (haveLength && value != Size))
        refused = true;
      Size = value;
      haveLength = true;
      if (FTransferEncoding == TE_UNKNOWN)
        FTransferEncoding = TE_IDENTITY;
    } else if (StartsWith(upper, "CONTENT-TYPE:")) {
      FMimeType = TrimControlAndSpaces(TextAfter(line, ":"));
    } else if (StartsWith(upper, "TRANSFER-ENCODING:")) {
      if (Upper(TextAfter(line, ":")).find("CHUNKED") != std::string::npos) {
        FTransferEncoding = TE_CHUNKED;
      }
    }
    const char* connection = AbsoluteForm ? "PROXY-CONNECTION:" : "CONNECTION:";
    if (StartsWith(upper, connection) && upper.find("CLOSE") != std::string::npos)
      ToClose = true;
  }
  if (refused) {
    FSock->FailWith(kErrorResponseRefused);
    return false;
  }
  return true;
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

  const std::string url = TrimControlAndSpaces(URL);
  if (HasControlCharacter(url)) {
    // A control character would end or split the request line; nothing is sent.
    FSock->FailWith(SocketError::kInvalidArgument);
    return false;
  }
  std::string protocol, user, password, host, port, path, parameters;
  std::string target = SplitUrl(url, protocol, user, password, host, port, path, parameters);
  // Spaces would split the request line; they travel percent-encoded.
  target = ReplaceAll(target, " ", "%20");
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
  FHeaderStart = TickNow();
  if (!SendRequest(expect, hasBody, statusLine, headerLines)) {
    // A request sent in part leaves the connection unusable for the next one.
    ForgetConnection();
    return false;
  }
  // The answer's header block must be here within Timeout of the request being sent (with
  // "100 Continue", of the body being sent).
  if (!expect || statusLine.empty())
    FHeaderStart = TickNow();

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
  if (FSock->LastError() == 0 && !FHeaders.empty()) {
    if (ReadHeaders(std::move(headerLines), absoluteForm, blockBytes, size, toClose))
      DataFollows();
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
  TProgressWindow window(FTimeout);
  if (!FSock->ReceiveInto(ResponseStream(), kToTheClose, FTimeout, &window))
    return false;
  // The peer's orderly end closed the body: that is its end, not an error of the request.
  FSock->ResetLastError();
  return true;
}

bool THTTPClient::ReadBodySized(int64_t Size) {
  TProgressWindow window(FTimeout);
  return ReadBodySized(Size, window);
}

bool THTTPClient::ReadBodySized(int64_t Size, TProgressWindow& Window) {
  if (Size <= 0)
    return true;
  FDownloadSize = Size;
  TStream& out = ResponseStream();
  const bool whole = FSock->ReceiveInto(out, Size, FTimeout, &Window);
  out.SetPosition(out.Size());
  return whole;
}

bool THTTPClient::ReadBodyChunked() {
  // The pace holds across the whole body, chunk size lines and trailers included.
  TProgressWindow window(FTimeout);
  int64_t ignored = 0;
  while (true) {
    std::string line = ReadHeaderLine(ignored, window.WaitLeft());
    window.Add(ignored);
    ignored = 0;
    if (FSock->LastError() != 0)
      return false;
    if (line.empty())
      continue;
    // Hexadecimal digits only, of a value that fits in 63 bits ("0x10", "zz" and 17 digits
    // are not sizes); extensions after ";" are ignored.
    std::string sizeText =
        TrimControlAndSpaces(TextBefore(TrimControlAndSpaces(TextBefore(line, " ")), ";"));
    const int64_t size = HexNumber(sizeText);
    if (size < 0) {
      // A size that is not a number leaves no way to find the end of the body: whatever came
      // so far is kept, but the body is not whole.
      FSock->FailWith(kErrorBodyFraming);
      return false;
    }
    if (size == 0)
      break;
    DataFollows();
    if (!ReadBodySized(size, window))
      return false;
  }
  return ReadTrailers(window);
}

bool THTTPClient::ReadTrailers(TProgressWindow& Window) {
  // Header lines after the last chunk are read up to the empty line and dropped, so that
  // nothing of this response is left on the connection; they count against the header limit.
  int64_t blockBytes = 0;
  while (true) {
    const int64_t before = blockBytes;
    std::string line = ReadHeaderLine(blockBytes, Window.WaitLeft());
    Window.Add(blockBytes - before);
    if (FSock->LastError() != 0)
      return false;
    if (line.empty())
      return true;
  }
}

void THTTPClient::CollectCookies() {
  // One pass over the header lines with an index by name, so that many Set-Cookie lines cost
  // linear time. Entries keep their order; a removed or dropped one leaves a hole until the end.
  std::vector<std::optional<std::string>> entries(FCookies.begin(), FCookies.end());
  std::unordered_map<std::string, size_t> byName;
  for (size_t i = 0; i < entries.size(); ++i)
    byName.emplace(Lower(TextBefore(*entries[i], "=")), i);
  size_t live = entries.size();
  size_t oldest = 0;
  for (const auto& line : FHeaders) {
    if (!StartsWith(Lower(line), "set-cookie:"))
      continue;
    std::string cookie = TrimControlAndSpaces(TextBefore(TextAfter(line, ":"), ";"));
    std::string name = TrimControlAndSpaces(TextBefore(cookie, "="));
    std::string value = TrimControlAndSpaces(TextAfter(cookie, "="));
    const std::string key = Lower(name);
    auto same = byName.find(key);
    if (value.empty()) {
      if (same != byName.end()) {
        entries[same->second].reset();
        byName.erase(same);
        --live;
      }
      continue;
    }
    if (same != byName.end()) {
      entries[same->second] = name + "=" + value;
      continue;
    }
    byName.emplace(key, entries.size());
    entries.push_back(name + "=" + value);
    ++live;
    // The list is bounded: past the limit the oldest cookie makes room for the new one.
    while (live > static_cast<size_t>(kMaxCookies)) {
      while (!entries[oldest])
        ++oldest;
      byName.erase(Lower(TextBefore(*entries[oldest], "=")));
      entries[oldest].reset();
      --live;
    }
  }
  FCookies.clear();
  for (auto& entry : entries) {
    if (entry)
      FCookies.push_back(std::move(*entry));
  }
}

}  // namespace net
