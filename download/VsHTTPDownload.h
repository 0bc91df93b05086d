#pragma once
#include <memory>
#include <string>

#include "download/DocumentStream.h"
#include "download/VsDownloadClass.h"
#include "net/HTTPClient.h"

// The HTTP download session: one GET for the URL into the partial file, continued through
// "Range: bytes=N-" when a partial file is there, with the file's name taken from the URL or
// from the server's "filename=", and redirects followed. A file is finished only when the
// answer is the file (200, or 206 from the offset asked for) and its body arrived whole.
namespace download {

class TVsHTTPDownload : public TVsDownloadClass {
 public:
  explicit TVsHTTPDownload(TVsComponent* AOwner);
  ~TVsHTTPDownload() override;

  void StartDownload() override;
  void HandleSocketStatus(net::TBlockingSocket* Sender, THookSocketReason Reason,
                          const std::string& Value) override;

  net::THTTPClient& HTTPClient() const { return *fHTTPClient; }
  // Redirects followed in a row by this session.
  int Redirects() const { return fRedirects; }

 protected:
  bool AcceptResponseBody() override;
  bool ResponseComplete() override;
  int64_t ResponseBodyLimit() override;

 private:
  // What the session makes of the response now being received, decided when its first body
  // bytes are to be written.
  enum class TVerdict { Undecided, Write, Refuse };

  // A 206 is written only as the rest of the partial file: asked for (a partial file is
  // there) and starting at its end. Takes the range for the checks at the close.
  TVerdict JudgeRange();
  void DecideName();
  void ApplyProxySettings();
  void FollowRedirect(net::TBlockingSocket* Sender);
  // A 416 answer to a resumed request whose total is the partial file's size: the file was
  // complete already.
  bool AlreadyComplete();

  std::unique_ptr<TDocumentStream> fReceived;
  std::unique_ptr<net::THTTPClient> fHTTPClient;
  TVerdict fVerdict = TVerdict::Undecided;
  // Why the verdict was Refuse (a kError code), and the range of a 206 that was written.
  int32_t fRefusal = 0;
  int64_t fRangeFirst = 0;
  int64_t fRangeLast = -1;
  int64_t fRangeTotal = -1;
  // The partial file's bare name, kept for the requests of redirects.
  std::string fPartName;
  int fRedirects = 0;
  bool fProbing = false;
};

}  // namespace download
