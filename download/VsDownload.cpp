#include "download/VsDownload.h"

#include "download/DownloadErrors.h"
#include "download/VsFTPDownload.h"
#include "download/VsHTTPDownload.h"

namespace download {

TVsDownload::TVsDownload(TVsComponent* AOwner) : TVsComponent(AOwner) {
  // The placeholder copies the settings as they stand: still empty, without settings objects.
  fDown = std::make_unique<TVsDownloadClass>(this);
  fOwnProxy = std::make_unique<TVsProxy>();
  fOwnFTP = std::make_unique<TVsFTP>();
  fProxy = fOwnProxy.get();
  fFTP = fOwnFTP.get();
}

TVsDownload::~TVsDownload() {
  fDown.reset();
}

void TVsDownload::StartDownload() {
  if (fProtocolo == protNenhum)
    throw EVsDownload(kMsgNoProtocol);
  fDown.reset();
  if (fProtocolo == protFTP)
    fDown = std::make_unique<TVsFTPDownload>(this);
  else
    fDown = std::make_unique<TVsHTTPDownload>(this);
  // Set directly: the new session keeps the status it copied.
  fDownloadStatus = stDownload;
  fDown->StartDownload();
}

void TVsDownload::SetDownloadDest(const std::string& Value) {
  fDownloadDest = Value;
  fDown->SetDownloadDest(Value);
}

void TVsDownload::SetDownloadUrl(const std::string& Value) {
  fDownloadUrl = Value;
  fDown->SetDownloadUrl(Value);
}

void TVsDownload::SetDownloadNomeArq(const std::string& Value) {
  fDownloadNomeArq = Value;
  fDown->SetDownloadNomeArq(Value);
}

void TVsDownload::SetSizeRecvBuffer(int32_t Value) {
  fSizeRecvBuffer = Value;
  fDown->SetSizeRecvBuffer(Value);
}

void TVsDownload::SetProxy(TVsProxy* Value) {
  fProxy = Value ? Value : fOwnProxy.get();
  fDown->SetProxy(fProxy);
}

void TVsDownload::SetFTP(TVsFTP* Value) {
  fFTP = Value ? Value : fOwnFTP.get();
  // Only an FTP session takes the FTP settings.
  if (auto* session = dynamic_cast<TVsFTPDownload*>(fDown.get()))
    session->SetFTP(fFTP);
}

void TVsDownload::SetDownloadStatus(TDownloadStatus Value) {
  fDownloadStatus = Value;
  fDown->SetDownloadStatus(Value);
}

void TVsDownload::SetOnBeforeDownload(TVsBeforeDownload Value) {
  fOnBeforeDownload = Value;
  fDown->OnBeforeDownload = std::move(Value);
}

void TVsDownload::SetOnAfterDownload(TVsAfterDownload Value) {
  fOnAfterDownload = Value;
  fDown->OnAfterDownload = std::move(Value);
}

void TVsDownload::SetOnHookStatus(TVsHookStatus Value) {
  fOnHookStatus = Value;
  fDown->OnHookStatus = std::move(Value);
}

void TVsDownload::SetOnHookMonitor(TVsHookMonitor Value) {
  fOnHookMonitor = Value;
  fDown->OnHookMonitor = std::move(Value);
}

void TVsDownload::SetOnIdle(TVsIdle Value) {
  fOnIdle = Value;
  fDown->OnIdle = std::move(Value);
}

void TVsDownload::SetOnDownloadStatus(TVsDownloadStatus Value) {
  fOnDownloadStatus = Value;
  fDown->OnDownloadStatus = std::move(Value);
}

}  // namespace download
