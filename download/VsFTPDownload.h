#pragma once
#include <memory>
#include <string>

#include "download/DocumentStream.h"
#include "download/VsDownloadClass.h"
#include "download/VsFTP.h"
#include "net/FTPClient.h"

// The FTP download session: logs in to the server the component's FTP settings name, asks for
// the file's size and retrieves the file the URL's path names into the partial file, through
// the hooks of the client's data connection. A partial file is continued from its size (REST);
// a server that cannot restart gets the file written anew from its first byte. The file gets
// its final name only when the data connection ended by the server's close, the server
// confirmed the transfer (226 or 250) and, when the size is known (from SIZE, or else from
// the "(N bytes)" of the retrieval's reply), every byte is there.
namespace download {

class TVsFTPDownload : public TVsDownloadClass {
 public:
  explicit TVsFTPDownload(TVsComponent* AOwner);
  ~TVsFTPDownload() override;

  void StartDownload() override;
  void HandleSocketStatus(net::TBlockingSocket* Sender, THookSocketReason Reason,
                          const std::string& Value) override;

  net::TFTPClient& FTPClient() const { return *fFTPClient; }
  // The component's FTP settings; not owned.
  TVsFTP* FTP() const { return fFTP; }
  void SetFTP(TVsFTP* Value) { fFTP = Value; }

 protected:
  bool ResponseComplete() override;

 private:
  void ApplyFtpSettings();
  // Takes the size the retrieval's reply announced for the progress while SIZE gave none.
  void TakeAnnouncedSize();
  // Empties the partial file so the file is written from its first byte.
  void StartOver();
  // The transfer proper, once the partial file is open.
  void Retrieve(const std::string& path);

  std::unique_ptr<TDocumentStream> fReceived;
  std::unique_ptr<net::TFTPClient> fFTPClient;
  TVsFTP* fFTP = nullptr;
  // The server's size of the file; -1 when it did not tell.
  int64_t fRemoteSize = -1;
  // Whether the data connection of the current retrieval has connected (or been accepted).
  bool fDataOpened = false;
};

}  // namespace download
