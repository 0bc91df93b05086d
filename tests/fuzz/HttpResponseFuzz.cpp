// Feeds arbitrary bytes to THTTPClient as the response of a server on 127.0.0.1: the status
// line and header reader and the chunked, sized and to-the-close body readers together. The server
// runs on its own thread: it accepts, reads the request, sends the input and closes, so every
// execution ends at the close without waiting for a timeout. The first input byte picks the
// client's settings (method, protocol version, line length limit). Version "1.1" is the usual
// pick: it leaves the connection open after the response, and the harness then drops it
// without the orderly close's millisecond of draining, which would bound the execution rate.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "net/HTTPClient.h"

namespace {

struct TResponder {
  int listenFd = -1;
  int port = 0;
  std::mutex mutex;
  std::condition_variable changed;
  std::string response;
  bool pending = false;
};

TResponder& Responder() {
  static TResponder responder;
  return responder;
}

void ServeForever(TResponder* r) {
  while (true) {
    int fd = accept(r->listenFd, nullptr, nullptr);
    if (fd < 0)
      continue;
    std::string response;
    {
      std::unique_lock<std::mutex> lock(r->mutex);
      r->changed.wait(lock, [r] { return r->pending; });
      response = r->response;
      r->pending = false;
    }
    // Read the request header block (bounded) so that closing does not reset the connection
    // under the client while its request is unread.
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
      ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0)
        break;
      request.append(buffer, static_cast<size_t>(n));
    }
    size_t sent = 0;
    while (sent < response.size()) {
      ssize_t n = send(fd, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
      if (n <= 0)
        break;
      sent += static_cast<size_t>(n);
    }
    shutdown(fd, SHUT_WR);
    while (recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
    close(fd);
  }
}

void StartResponder() {
  TResponder& r = Responder();
  r.listenFd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(r.listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(r.listenFd, 16) != 0) {
    std::abort();
  }
  socklen_t length = sizeof address;
  getsockname(r.listenFd, reinterpret_cast<sockaddr*>(&address), &length);
  r.port = ntohs(address.sin_port);
  std::thread(ServeForever, &r).detach();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  StartResponder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  const uint8_t settings = data[0];
  std::string response(reinterpret_cast<const char*>(data + 1), size - 1);
  TResponder& r = Responder();
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    r.response = response;
    r.pending = true;
  }
  r.changed.notify_all();

  net::THTTPClient client;
  client.SetTimeout(5000);
  client.SetProtocol((settings & 0x81) == 0x81 ? "1.0" : "1.1");
  if (settings & 2)
    client.Sock().SetMaxLineLength(64);
  const char* method = (settings & 4) ? "HEAD" : "GET";
  const bool result =
      client.HTTPMethod(method, "http://127.0.0.1:" + std::to_string(r.port) + "/f");
  client.Sock().AbortSocket();
  // The body can only hold what the server sent, plus the line end given to a first line
  // that was not a status line.
  if (client.Document().Size() > static_cast<int64_t>(response.size()) + 2)
    std::abort();
  // A request succeeds exactly when its body arrived whole: a framing failure can never be
  // reported as a success that a download would finish a file on.
  if (client.BodyComplete() != result)
    std::abort();
  // A sized body that succeeded holds exactly its announced length.
  const bool bodyRead =
      std::string(method) != "HEAD" && client.ResultCode() != 204 && client.ResultCode() != 304;
  if (result && bodyRead && client.TransferEncoding() == net::TE_IDENTITY &&
      client.Document().Size() != client.DownloadSize()) {
    std::abort();
  }
  return 0;
}
