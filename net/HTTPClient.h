#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/ProgressWindow.h"
#include "net/Stream.h"
#include "net/TCPBlockingSocket.h"
#include "net/TramaClient.h"

// An HTTP/1.x client: one request per HTTPMethod call over a TCP socket it owns, with the
// request header block built in a fixed order, direct or proxied (absolute form, or a CONNECT
// tunnel for https), kept-alive connections reused with protocol "1.1", bodies read by length,
// by chunks or to the close, and cookies collected from the responses.
namespace net {

// The codes the client sets in the socket's LastError for answers it will not take as they
// are. A body whose framing is broken (a chunk size that is not a number) ends the request
// with kErrorBodyFraming; a body cut short keeps the code of its cause (10054 when the peer
// closed, 10060 for a timeout, 10053 for a stop). A response whose framing cannot be trusted
// (two different lengths, a negative one) is refused with kErrorResponseRefused.
constexpr int32_t kErrorBodyFraming = SocketError::kDisconnected;
constexpr int32_t kErrorResponseRefused = SocketError::kProtocolNotSupported;

// How the body of the current response is framed.
enum TTransferEncoding { TE_UNKNOWN, TE_IDENTITY, TE_CHUNKED };

class THTTPClient : public TTramaClient {
 public:
  THTTPClient();
  ~THTTPClient() override;

  // Resets the range, the headers, the document (and the caller's streams' sizes) and the
  // MIME type, ready for the next request.
  void Clear();
  // Takes ResultCode and ResultString from a status line.
  void DecodeStatus(const std::string& Value);
  // Performs one request. False when the connection, the sending or the reading of the
  // response failed (the socket's LastError tells why); an HTTP error status is not a failure.
  bool HTTPMethod(const std::string& Method, const std::string& URL);
  // Asks the transfer in progress to stop at its next stop check.
  void Abort();

  TTCPBlockingSocket& Sock() { return *FSock; }
  // Before a call: extra request headers. After it: the status line(s) and header lines.
  std::vector<std::string>& Headers() { return FHeaders; }
  TMemoryStream& Document() { return *FDocument; }
  std::vector<std::string>& Cookies() { return FCookies; }

  const std::string& MimeType() const { return FMimeType; }
  void SetMimeType(const std::string& Value) { FMimeType = Value; }
  const std::string& Protocol() const { return FProtocol; }
  void SetProtocol(const std::string& Value) { FProtocol = Value; }
  bool KeepAlive() const { return FKeepAlive; }
  void SetKeepAlive(bool Value) { FKeepAlive = Value; }
  int32_t KeepAliveTimeout() const { return FKeepAliveTimeout; }
  void SetKeepAliveTimeout(int32_t Value) { FKeepAliveTimeout = Value; }
  bool Status100() const { return FStatus100; }
  void SetStatus100(bool Value) { FStatus100 = Value; }
  const std::string& ProxyHost() const { return FProxyHost; }
  void SetProxyHost(const std::string& Value) { FProxyHost = Value; }
  const std::string& ProxyPort() const { return FProxyPort; }
  void SetProxyPort(const std::string& Value) { FProxyPort = Value; }
  const std::string& ProxyUser() const { return FProxyUser; }
  void SetProxyUser(const std::string& Value) { FProxyUser = Value; }
  const std::string& ProxyPass() const { return FProxyPass; }
  void SetProxyPass(const std::string& Value) { FProxyPass = Value; }
  int32_t ResultCode() const { return FResultCode; }
  const std::string& ResultString() const { return FResultString; }
  const std::string& UserAgent() const { return FUserAgent; }
  void SetUserAgent(const std::string& Value) { FUserAgent = Value; }
  int64_t DownloadSize() const { return FDownloadSize; }
  int64_t UploadSize() const { return FUploadSize; }
  int64_t RangeStart() const { return FRangeStart; }
  void SetRangeStart(int64_t Value) { FRangeStart = Value; }
  int64_t RangeEnd() const { return FRangeEnd; }
  void SetRangeEnd(int64_t Value) { FRangeEnd = Value; }
  bool AddPortNumberToHost() const { return FAddPortNumberToHost; }
  void SetAddPortNumberToHost(bool Value) { FAddPortNumberToHost = Value; }
  // The request body source and the response body target; not owned. Unset, the document
  // serves for both.
  TStream* InputStream() const { return FInputStream; }
  void SetInputStream(TStream* Value) { FInputStream = Value; }
  TStream* OutputStream() const { return FOutputStream; }
  void SetOutputStream(TStream* Value) { FOutputStream = Value; }
  TTransferEncoding TransferEncoding() const { return FTransferEncoding; }
  // Whether the last response's body arrived whole by its framing. False while a response is
  // being read and when its body was not framed completely: a sized body cut short, a chunked
  // body without its last chunk or with a chunk size that is not a number, a timeout or a stop
  // in the middle of the body, a body the response stream could not take, a response refused
  // (kErrorResponseRefused), a body read to the close that ended with a reset rather than
  // the peer's orderly end (Sock().PeerClosed() false), or no response at all. True for a body
  // read to the connection's orderly close, for a response without a body (HEAD, 204, 304, a length
  // of 0) and before the first request. HTTPMethod returns true exactly when it holds. It is
  // settled before the client closes the connection at the end of a response (always with protocol
  // "1.0"; with "1.1" a complete answer may leave the connection open, without a close report), so
  // a status hook that sees HR_SocketClose for that response reads the final value. A download must
  // finish a file only when it holds.
  bool BodyComplete() const { return FBodyComplete; }

 protected:
  virtual bool ReadBodyToClose();
  virtual bool ReadBodySized(int64_t Size);
  virtual bool ReadBodyChunked();

  bool ConnectTarget(bool UseSSL);
  bool ConnectOrReuse(bool UseSSL);
  std::string RequestHeaderText();
  void CollectCookies();

 private:
  TStream& RequestStream() { return FInputStream ? *FInputStream : *FDocument; }
  TStream& ResponseStream() { return FOutputStream ? *FOutputStream : *FDocument; }
  // Reads one line of the status or header block, counting it against the block's limit,
  // within what is left of the header block's time (HeaderWaitLeft).
  std::string ReadHeaderLine(int64_t& BlockBytes);
  // The same within `Wait` milliseconds for the whole line (chunk size and trailer lines).
  std::string ReadHeaderLine(int64_t& BlockBytes, int32_t Wait);
  // What is left of Timeout since the request was sent (0 once it passed).
  int32_t HeaderWaitLeft() const;
  bool ReadBodySized(int64_t Size, TProgressWindow& Window);
  // Reads header lines up to and including the empty line that ends the block.
  bool ReadHeaderBlock(std::vector<std::string>& Lines, int64_t& BlockBytes);
  // Called after a line that binary data follows (the end of the header block, a chunk size):
  // no byte of the data may be taken for the line's end.
  void DataFollows();
  // Steps of HTTPMethod.
  void BuildRequestHeaders(const std::string& Method, const std::string& Protocol,
                           const std::string& User, const std::string& Password,
                           const std::string& Host, const std::string& Port,
                           const std::string& Target, bool AbsoluteForm, bool HasBody, bool Expect);
  // Sends the request (and its body). With Expect, a final response that came instead of
  // "100 Continue" is handed back as its status line and header lines.
  bool SendRequest(bool Expect, bool HasBody, std::string& StatusLine,
                   std::vector<std::string>& HeaderLines);
  bool ReadStatus(const std::string& StatusLine, int64_t& BlockBytes);
  // Reads the header block (after the lines already read, when given) into Headers. False when
  // the reading failed or the answer was refused (kErrorResponseRefused).
  bool ReadHeaders(std::vector<std::string> Lines, bool AbsoluteForm, int64_t& BlockBytes,
                   int64_t& Size, bool& ToClose);
  void ForgetConnection();
  // Closes the connection (with its status report) keeping the error that ended the request.
  void CloseConnection();
  // Reads the trailer lines after the last chunk, up to the empty line.
  bool ReadTrailers(TProgressWindow& Window);

  std::unique_ptr<TTCPBlockingSocket> FSock;
  TTransferEncoding FTransferEncoding = TE_UNKNOWN;
  std::string FAliveHost;
  std::string FAlivePort;
  std::vector<std::string> FHeaders;
  std::unique_ptr<TMemoryStream> FDocument;
  std::string FMimeType = "text/html";
  std::string FProtocol = "1.0";
  bool FKeepAlive = true;
  int32_t FKeepAliveTimeout = 300;
  bool FStatus100 = false;
  std::string FProxyHost;
  std::string FProxyPort = "8080";
  std::string FProxyUser;
  std::string FProxyPass;
  int32_t FResultCode = 0;
  std::string FResultString;
  std::string FUserAgent = "Mozilla/4.0 (compatible; Trama)";
  std::vector<std::string> FCookies;
  int64_t FDownloadSize = 0;
  int64_t FUploadSize = 0;
  int64_t FRangeStart = 0;
  int64_t FRangeEnd = 0;
  bool FAddPortNumberToHost = true;
  TStream* FInputStream = nullptr;
  TStream* FOutputStream = nullptr;
  bool FBodyComplete = true;
  std::string FPreviousBreak;  // the line end of the line before the last one read
  uint32_t FHeaderStart = 0;   // when the request was sent: the header block's time begins
};

}  // namespace net
