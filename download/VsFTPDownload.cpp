#include "download/VsFTPDownload.h"

#include "download/DownloadErrors.h"
#include "download/HTTPDownloadText.h"
#include "download/VsDownload.h"
#include "net/ProtoText.h"
#include "net/ProtoUrl.h"
#include "net/ScopeExit.h"

namespace download {
namespace {

// The passive reply: the client closes the data socket right after it, before it connects.
constexpr int32_t kReplyPassive = 227;
constexpr int32_t kReplyTransferDone = 226;
constexpr int32_t kReplyFileActionDone = 250;

std::string PathOfUrl(const std::string& url) {
  std::string protocol, user, password, host, port, path, parameters;
  net::SplitUrl(net::TrimControlAndSpaces(url), protocol, user, password, host, port, path,
                parameters);
  return path;
}

}  // namespace

TVsFTPDownload::TVsFTPDownload(TVsComponent* AOwner)
    : TVsDownloadClass(AOwner),
      fReceived(std::make_unique<TDocumentStream>()),
      fFTPClient(std::make_unique<net::TFTPClient>()) {
  // Received data goes to the session's own document, which releases what the file took.
  fFTPClient->SetDataTarget(fReceived.get());
  net::TTCPBlockingSocket& sock = fFTPClient->DSock();
  sock.SetOnStatus([this](net::TBlockingSocket* Sender, THookSocketReason Reason,
                          const std::string& Value) { HandleSocketStatus(Sender, Reason, Value); });
  sock.SetOnMonitor([this](net::TBlockingSocket* Sender, bool Writing, const void* Buffer,
                           int32_t Len) { HandleSocketMonitor(Sender, Writing, Buffer, Len); });
  SetTransport(&sock, fReceived.get());
  // The control connection's waits (the login, the replies) give the caller control too.
  BindIdle(fFTPClient->Sock());
  fFTP = &fOwner->FTP();
}

TVsFTPDownload::~TVsFTPDownload() {
  fFTPClient->DSock().SetOnStatus(nullptr);
  fFTPClient->DSock().SetOnMonitor(nullptr);
  UnbindIdle(fFTPClient->Sock());
  SetTransport(nullptr, nullptr);
  fFTP = nullptr;
  fFTPClient.reset();
}

void TVsFTPDownload::ApplyFtpSettings() {
  if (!fFTP)
    return;
  fFTPClient->SetTargetHost(fFTP->FtpHost);
  fFTPClient->SetTargetPort(fFTP->FtpPort);
  fFTPClient->SetUserName(fFTP->FtpUser);
  fFTPClient->SetPassword(fFTP->FtpPass);
  fFTPClient->SetTimeout(fFTP->FtpTimeout);
}

void TVsFTPDownload::StartDownload() {
  // Whatever happens from here on, the session says goodbye to the server.
  net::TScopeExit logout([this] { fFTPClient->Logout(); });
  std::string path = PathOfUrl(fDownloadUrl);
  if (fFilePart.empty() && fDownloadStatus != stRedirect) {
    // Only the URL's path counts: the server and the credentials are the FTP settings'.
    ApplyFtpSettings();
    fFilePart = NameFromUrl(fDownloadUrl);
    if (!fFilePart.empty())
      fFilePart += ".part";
  }
  if (!fFTPClient->Login())
    throw EVsDownload(kMsgFtpLogin);
  if (fFilePart.empty())
    throw EVsDownload(kMsgFtpNoFile);
  OpenPartFile();
  fFTPClient->SetDirectFileName(fFilePart);
  fFTPClient->SetDirectFile(false);
  Retrieve(path);
}

void TVsFTPDownload::StartOver() {
  if (!fFileStream.Truncate())
    throw EVsDownload("Cannot write to file \"" + fFilePart + "\". " + fFileStream.ErrorText());
  fBytesDownloaded = 0;
  fBytesResumed = 0;
  fDownloadStatus = stNone;
  fDownloadSize = fRemoteSize;
  fFTPClient->SetRestartOffset(0);
}

void TVsFTPDownload::Retrieve(const std::string& path) {
  fRemoteSize = fFTPClient->FileSize(path);
  // The size the data connection will carry: the rest of the file when it is continued, so
  // that the expected total is the file's size. -1 (unknown) still starts the progress.
  fDownloadSize =
      fRemoteSize >= 0 && fRemoteSize >= fBytesResumed ? fRemoteSize - fBytesResumed : fRemoteSize;
  fFTPClient->SetRestartOffset(fBytesResumed);
  bool whole = false;
  if (fBytesResumed > 0) {
    // A partial file as large as the server's file is whole already; one larger than it, or
    // one the server cannot continue, is no piece of it and starts over.
    if (fRemoteSize == fBytesResumed)
      whole = true;
    else if ((fRemoteSize >= 0 && fRemoteSize < fBytesResumed) || !fFTPClient->CanResume())
      StartOver();
  }
  if (OnBeforeDownload)
    OnBeforeDownload(this);
  // The size SIZE gave must fit on the drive before the data connection is opened.
  if (!whole && !RoomFor(fDownloadSize)) {
    ClosePartFile();
    if (OnAfterDownload)
      OnAfterDownload(this);
    return;
  }
  if (whole) {
    ClosePartFile();
    FinishFile();
  } else {
    fDataOpened = false;
    if (!fFTPClient->RetrieveFile(path, true) && fFTPClient->RestRefused() && fBytesResumed > 0) {
      // The server refused to restart at the partial file's end: the file comes whole,
      // written from its first byte rather than after the bytes already there.
      StartOver();
      fDataOpened = false;
      fFTPClient->RetrieveFile(path, false);
    }
  }
  DiscardIfStopped();
  if (OnAfterDownload)
    OnAfterDownload(this);
}

void TVsFTPDownload::HandleSocketStatus(net::TBlockingSocket* Sender, THookSocketReason Reason,
                                        const std::string& Value) {
  const int32_t code = fFTPClient->ResultCode();
  // 250 ends a retrieval as 226 does: both report a completed transfer.
  fResultCode = code == kReplyFileActionDone ? kReplyTransferDone : code;
  if (Reason == net::HR_Connect || Reason == net::HR_Accept)
    fDataOpened = true;
  TakeAnnouncedSize();
  if (Reason == net::HR_SocketClose && !fDataOpened) {
    // The client closes the data socket before it opens the next data connection. After a
    // passive reply that close is no news at all; otherwise the caller hears of it, but it
    // neither starts nor ends anything.
    if (code != kReplyPassive)
      RaiseHookStatus(Sender, Reason);
    return;
  }
  TVsDownloadClass::HandleSocketStatus(Sender, Reason, Value);
}

void TVsFTPDownload::TakeAnnouncedSize() {
  // Without an answer to SIZE, the size the retrieval's reply announced stands in for it,
  // from the first received block on (the reply comes before the data).
  const int64_t announced = fFTPClient->AnnouncedSize();
  if (fRemoteSize >= 0 || announced < 0)
    return;
  fDownloadSize = announced >= fBytesResumed ? announced - fBytesResumed : announced;
}

bool TVsFTPDownload::ResponseComplete() {
  fLastError = 0;
  if (!fFTPClient->DataComplete()) {
    fLastError = fFTPClient->DataError() != 0 ? fFTPClient->DataError() : kErrorBodyShort;
    return false;
  }
  const int64_t received = fReceived->Size();
  bool whole = true;
  if (fRemoteSize >= 0) {
    whole = fBytesResumed + received == fRemoteSize;
  } else if (fFTPClient->AnnouncedSize() >= 0) {
    // Servers announce the file's size; some announce what a continued transfer sends.
    const int64_t announced = fFTPClient->AnnouncedSize();
    whole = fBytesResumed + received == announced || (fBytesResumed > 0 && received == announced);
  }
  if (!whole)
    fLastError = kErrorBodyShort;
  return whole;
}

}  // namespace download
