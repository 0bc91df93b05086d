#include "download/VsHTTPDownload.h"

#include "download/DownloadErrors.h"
#include "download/DownloadLimits.h"
#include "download/HTTPDownloadText.h"

namespace download {
namespace {

bool EndsWithPart(const std::string& name) {
  return name.size() >= 5 && name.compare(name.size() - 5, 5, ".part") == 0;
}

bool IsRedirect(int32_t code) {
  return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
}

}  // namespace

TVsHTTPDownload::TVsHTTPDownload(TVsComponent* AOwner)
    : TVsDownloadClass(AOwner),
      fReceived(std::make_unique<TDocumentStream>()),
      fHTTPClient(std::make_unique<net::THTTPClient>()) {
  // The body goes to the session's own document, which releases what the file has taken.
  fHTTPClient->SetOutputStream(fReceived.get());
  net::TTCPBlockingSocket& sock = fHTTPClient->Sock();
  sock.SetOnStatus([this](net::TBlockingSocket* Sender, THookSocketReason Reason,
                          const std::string& Value) { HandleSocketStatus(Sender, Reason, Value); });
  sock.SetOnMonitor([this](net::TBlockingSocket* Sender, bool Writing, const void* Buffer,
                           int32_t Len) { HandleSocketMonitor(Sender, Writing, Buffer, Len); });
  SetTransport(&sock, fReceived.get());
}

TVsHTTPDownload::~TVsHTTPDownload() {
  // The client and its socket go before the base class closes the file: no hook may reach
  // this session from their destruction.
  fHTTPClient->Sock().SetOnStatus(nullptr);
  fHTTPClient->Sock().SetOnMonitor(nullptr);
  SetTransport(nullptr, nullptr);
  fHTTPClient.reset();
}

void TVsHTTPDownload::ApplyProxySettings() {
  if (!fProxy)
    return;
  fHTTPClient->SetProxyHost(fProxy->ProxyHost);
  fHTTPClient->SetProxyPort(fProxy->ProxyPort);
  fHTTPClient->SetProxyUser(fProxy->ProxyUser);
  fHTTPClient->SetProxyPass(fProxy->ProxyPass);
  fHTTPClient->SetTimeout(fProxy->ProxyTimeout);
}

void TVsHTTPDownload::DecideName() {
  fFilePart = fDownloadNomeArq;
  if (fDownloadStatus == stRedirect) {
    // A redirected request goes on with the partial file of the first one, so that a moved
    // package still arrives under the name first derived, and only once it is whole.
    fFilePart = fPartName;
    return;
  }
  if (fFilePart.empty()) {
    fFilePart = NameFromUrl(fDownloadUrl);
    if (fFilePart.empty()) {
      // Ask the server for the first bytes and look for the name it gives.
      fHTTPClient->Clear();
      fHTTPClient->SetRangeEnd(kProbeRangeEnd);
      fProbing = true;
      try {
        fHTTPClient->HTTPMethod("GET", fDownloadUrl);
      } catch (...) {
        fProbing = false;
        throw;
      }
      fProbing = false;
      fFilePart = NameFromProbeHeaders(fHTTPClient->Headers());
    }
    if (!fFilePart.empty())
      fFilePart += ".part";
  } else if (!EndsWithPart(fFilePart)) {
    fFilePart += ".part";
  }
}

void TVsHTTPDownload::StartDownload() {
  const bool redirected = fDownloadStatus == stRedirect;
  if (!redirected)
    fRedirects = 0;
  ApplyProxySettings();
  DecideName();
  if (fFilePart.empty())
    throw EVsDownload(kMsgNoFileName);
  fPartName = fFilePart;
  OpenPartFile();
  // The first attempt's partial file is the one continued; when it is still empty this is a
  // new file, as it was for the first attempt.
  if (redirected && fBytesResumed == 0)
    fDownloadStatus = stNone;

  fHTTPClient->Clear();
  fHTTPClient->SetRangeStart(fBytesResumed);
  fVerdict = TVerdict::Undecided;
  fRefusal = 0;
  fBodyOverrun = false;
  fLastError = 0;
  if (OnBeforeDownload)
    OnBeforeDownload(this);
  fHTTPClient->HTTPMethod("GET", fDownloadUrl);
  DiscardIfStopped();
  // A transfer that never reached its close report (no connection, say) still holds the
  // partial file: released here, so that a later start of any session can continue or remove
  // it.
  ClosePartFile();
  // A redirected request runs inside the first one's close report; the transfer ends, and is
  // reported once, when the first start returns. A caller that unpacks the file in this event
  // would otherwise handle the same package twice.
  if (OnAfterDownload && !redirected)
    OnAfterDownload(this);
}

void TVsHTTPDownload::HandleSocketStatus(net::TBlockingSocket* Sender, THookSocketReason Reason,
                                         const std::string& Value) {
  fResultCode = fHTTPClient->ResultCode();
  fDownloadSize = fHTTPClient->DownloadSize();
  if (Reason != net::HR_SocketClose) {
    TVsDownloadClass::HandleSocketStatus(Sender, Reason, Value);
    return;
  }
  // The close the client makes before it connects (and a genuine 500 answer) changes nothing.
  if (fResultCode == 500)
    return;
  const bool aborting = fDownloadStatus == stStop || fDownloadStatus == stPause;
  if (IsRedirect(fResultCode) && !fProbing && !aborting) {
    FollowRedirect(Sender);
    return;
  }
  // A resumed answer without a length can still be judged whole by its Content-Range.
  if (fResultCode == 206 && fDownloadStatus == stResume)
    fDownloadStatus = stDownload;
  if (fResultCode == 416 && !aborting && AlreadyComplete()) {
    ClosePartFile();
    FinishFile();
    RaiseHookStatus(Sender, Reason);
    return;
  }
  TVsDownloadClass::HandleSocketStatus(Sender, Reason, Value);
  // The session holds its partial file only until the close report. An answer that was not a
  // success leaves it open otherwise, and on Windows nobody could read, continue or delete the
  // file until the next start.
  ClosePartFile();
}

void TVsHTTPDownload::FollowRedirect(net::TBlockingSocket* Sender) {
  fDownloadStatus = stRedirect;
  std::string location;
  FindHeader(fHTTPClient->Headers(), "Location", location);
  const std::string target = ResolveLocation(fDownloadUrl, location);
  // The redirect's own body is no part of the file.
  ClosePartFile();
  fReceived->Release(static_cast<int64_t>(fReceived->Held().size()));
  // A package asked for over https never continues over a channel anyone on the path could
  // change: such a redirect counts as one without a usable location.
  if (target.empty() || fRedirects >= kMaxRedirects || IsDowngrade(fDownloadUrl, target)) {
    // No usable location, or too many in a row: the transfer ends here, unfinished.
    RaiseHookStatus(Sender, net::HR_SocketClose);
    return;
  }
  ++fRedirects;
  fDownloadUrl = target;
  StartDownload();
}

bool TVsHTTPDownload::AlreadyComplete() {
  std::string value;
  int64_t first = 0, last = 0, total = 0;
  return fBytesResumed > 0 && FindHeader(fHTTPClient->Headers(), "Content-Range", value) &&
         ParseContentRange(value, first, last, total) && total == fBytesResumed;
}

bool TVsHTTPDownload::AcceptResponseBody() {
  if (fVerdict != TVerdict::Undecided)
    return fVerdict == TVerdict::Write;
  fVerdict = TVerdict::Refuse;
  const int32_t code = fHTTPClient->ResultCode();
  if (code == 200) {
    if (fBytesResumed > 0) {
      // The server sent the whole file instead of the rest: start the file over rather than
      // append the whole body after the bytes already there.
      if (!fFileStream.Truncate())
        throw EVsDownload("Cannot write to file \"" + fFilePart + "\". " + fFileStream.ErrorText());
      fBytesDownloaded -= fBytesResumed;
      fBytesToDownload = fDownloadSize;
      fBytesResumed = 0;
      if (fDownloadStatus == stResume)
        fDownloadStatus = stNone;
    }
    fVerdict = TVerdict::Write;
  } else if (code == 206) {
    fVerdict = JudgeRange();
  }
  // The declared length must fit on the drive before any of it is written; the rest of the
  // answer is not read.
  if (fVerdict == TVerdict::Write && !RoomFor(fHTTPClient->DownloadSize())) {
    fVerdict = TVerdict::Refuse;
    fRefusal = kErrorNoRoom;
    if (fSock)
      fSock->SetStopFlag(true);
  }
  return fVerdict == TVerdict::Write;
}

TVsHTTPDownload::TVerdict TVsHTTPDownload::JudgeRange() {
  // A request without a range asked for the whole file: a piece of it, whatever its
  // Content-Range claims, cannot be told from a file cut short.
  if (fBytesResumed == 0) {
    fRefusal = kErrorUnaskedRange;
    return TVerdict::Refuse;
  }
  std::string value;
  if (!FindHeader(fHTTPClient->Headers(), "Content-Range", value) ||
      !ParseContentRange(value, fRangeFirst, fRangeLast, fRangeTotal) ||
      fRangeFirst != fBytesResumed) {
    fRefusal = kErrorRangeMismatch;
    return TVerdict::Refuse;
  }
  return TVerdict::Write;
}

int64_t TVsHTTPDownload::ResponseBodyLimit() {
  if (fVerdict != TVerdict::Write || fHTTPClient->ResultCode() != 206)
    return -1;
  return fRangeLast - fRangeFirst + 1;
}

bool TVsHTTPDownload::ResponseComplete() {
  fLastError = 0;
  // Bytes past the range stopped the transfer: that, not the stop, is why it ended.
  if (fBodyOverrun) {
    fLastError = kErrorPastRange;
    return false;
  }
  // Too little room stopped the transfer before it wrote anything.
  if (fRefusal == kErrorNoRoom) {
    fLastError = kErrorNoRoom;
    return false;
  }
  if (!fHTTPClient->BodyComplete()) {
    fLastError = fHTTPClient->Sock().LastError();
    if (fLastError == 0)
      fLastError = kErrorBodyShort;
    return false;
  }
  // An answer without body bytes is judged here, as one with them was at its first write.
  if (!AcceptResponseBody()) {
    fLastError = fRefusal;
    return false;
  }
  if (fResultCode != 206)
    return true;
  // A 206 is the file's rest only when exactly the bytes of its range came, and the range
  // reaches the end of the file.
  const int64_t expected = fRangeLast - fRangeFirst + 1;
  if (fReceived->Size() > expected) {
    fLastError = kErrorPastRange;
    return false;
  }
  if (fReceived->Size() < expected) {
    fLastError = kErrorBodyShort;
    return false;
  }
  if (fRangeTotal >= 0 && fRangeLast + 1 != fRangeTotal) {
    fLastError = kErrorRangeShort;
    return false;
  }
  return true;
}

}  // namespace download
