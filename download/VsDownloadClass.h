#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "download/DocumentStream.h"
#include "download/DownloadTypes.h"
#include "download/PartFile.h"
#include "download/VsProxy.h"

// The base of the download sessions. A session carries out one transfer for the download
// component: it copies the component's settings and handlers, owns the partial file (the file's
// name with ".part"), counts bytes and time, and turns the socket's status and monitor hooks
// into the component's OnHookStatus and OnHookMonitor events. Received data goes into the
// partial file as it arrives; at the close report the file is finished (given its final name),
// kept or deleted, by the session's status and the client's result.
namespace download {

class TVsComponent;
class TVsDownload;

class TVsDownloadClass {
 public:
  // The owner must be a TVsDownload: "Essa Classe deve ser instanciada por TVsDownload".
  // Copies the owner's settings and handlers as they stand.
  explicit TVsDownloadClass(TVsComponent* AOwner);
  virtual ~TVsDownloadClass();
  TVsDownloadClass(const TVsDownloadClass&) = delete;
  TVsDownloadClass& operator=(const TVsDownloadClass&) = delete;

  // Runs the transfer; nothing in the base class.
  virtual void StartDownload() {}
  // The socket hooks, bound by the subclasses to their client's socket.
  virtual void HandleSocketStatus(net::TBlockingSocket* Sender, THookSocketReason Reason,
                                  const std::string& Value);
  virtual void HandleSocketMonitor(net::TBlockingSocket* Sender, bool Writing, const void* Buffer,
                                   int32_t Len);

  // Stores the status and raises OnDownloadStatus with this session as Sender.
  void SetDownloadStatus(TDownloadStatus Value);
  TDownloadStatus DownloadStatus() const { return fDownloadStatus; }
  // Stores the size and applies it to the socket when there is one.
  void SetSizeRecvBuffer(int32_t Value);
  int32_t SizeRecvBuffer() const { return fSizeRecvBuffer; }

  const std::string& DownloadDest() const { return fDownloadDest; }
  void SetDownloadDest(const std::string& Value) { fDownloadDest = Value; }
  const std::string& DownloadUrl() const { return fDownloadUrl; }
  void SetDownloadUrl(const std::string& Value) { fDownloadUrl = Value; }
  const std::string& DownloadNomeArq() const { return fDownloadNomeArq; }
  void SetDownloadNomeArq(const std::string& Value) { fDownloadNomeArq = Value; }
  TVsProxy* Proxy() const { return fProxy; }
  void SetProxy(TVsProxy* Value) { fProxy = Value; }

  TVsBeforeDownload OnBeforeDownload;
  TVsAfterDownload OnAfterDownload;
  TVsHookStatus OnHookStatus;
  TVsHookMonitor OnHookMonitor;
  TVsDownloadStatus OnDownloadStatus;
  TVsIdle OnIdle;

  // The name of the file being written: a bare name at first, the full path once opened.
  const std::string& FilePart() const { return fFilePart; }
  bool PartFileOpen() const { return fFileStream.IsOpen(); }
  int64_t BytesResumed() const { return fBytesResumed; }
  int64_t BytesDownloaded() const { return fBytesDownloaded; }
  int64_t BytesToDownload() const { return fBytesToDownload; }
  double AverageSpeed() const { return fAverageSpeed; }
  // The server's answer code of the transfer (0 while none came).
  int32_t ResultCode() const { return fResultCode; }
  // Why the last close report with a success code left the file unfinished: the socket's
  // error (10054, 10060, 10053) for a body cut short, or one of the kError codes of
  // DownloadErrors.h for an answer that was not the file; 0 otherwise.
  int32_t LastError() const { return fLastError; }
  // With kErrorNoRoom: the bytes the transfer needed on the partial file's drive, and those
  // that were free there.
  int64_t RoomNeeded() const { return fRoomNeeded; }
  int64_t RoomFree() const { return fRoomFree; }

  // Trims spaces and control characters from both ends and appends "\" unless the text is
  // empty or ends in one.
  static std::string EnsureTrailingBackslash(const std::string& Value);

 protected:
  // The socket whose hooks are bound to this session and the client's received-data stream;
  // both belong to the client. The placeholder session has neither. The receive buffer size
  // copied from the owner is applied to the socket.
  void SetTransport(net::TBlockingSocket* Sock, TDocumentStream* Document);
  // Makes the socket's waits run in slices of kIdleSliceMs with HandleIdle between them (and
  // before every receive and send); UnbindIdle takes that away again.
  void BindIdle(net::TBlockingSocket& Sock);
  static void UnbindIdle(net::TBlockingSocket& Sock);
  // Raises OnIdle; a pause or stop asked for (there or earlier) stops the waiting socket.
  void HandleIdle(net::TBlockingSocket* Sender);
  // Discards the partial file when the caller asked for a stop: also a transfer stopped
  // before any answer came (no close report judged the file then).
  void DiscardIfStopped();

  // Joins the destination folder and fFilePart, then opens the existing partial file to be
  // continued (stResume, fBytesResumed its size) or creates it (stNone, 0). Raises the file
  // system's error when neither works.
  void OpenPartFile();
  // Appends to the partial file what the document holds beyond what the file received.
  void FlushDocument();
  // Puts the file on the disk and closes it; raises the file system's error when the last
  // bytes can't be written.
  void ClosePartFile();
  // Finishes, keeps or deletes the file by the status (the close report's second step).
  void SettleFileAtClose();
  void RaiseHookStatus(net::TBlockingSocket* Sender, THookSocketReason Reason);
  // Gives the partial file its final name (or, for a file written under it, deletes the
  // partial file left from before); nothing while no name is known.
  void FinishFile();

  // True when the partial file's drive has room for `bytes` more (a size not known, or room
  // the system does not tell, counts as room); otherwise records both sizes and sets
  // LastError to kErrorNoRoom.
  bool RoomFor(int64_t bytes);
  // Raises the file system's error for a write to the partial file that failed; a disk that
  // filled up is recorded as kErrorNoRoom first.
  [[noreturn]] void ThrowWriteFailure(int64_t stillToCome);

  // Whether the response now being received may go into the partial file. The base session
  // takes every body; the HTTP session refuses bodies that are no part of the file.
  virtual bool AcceptResponseBody() { return true; }
  // True when the close report may finish the file: the base session asks nothing more of
  // the result code; the HTTP session also wants the whole body to have arrived.
  virtual bool ResponseComplete() { return true; }
  // The most bytes the response now being received may put into the file (-1: no bound).
  // Bytes past it are not written; they mark the response as overrun and stop the transfer.
  virtual int64_t ResponseBodyLimit() { return -1; }

  // The local date-time in days since 1899-12-30, the fraction being the time of day; a
  // virtual so that tests can hold the clock.
  virtual double Now() const;

  TVsDownload* fOwner = nullptr;
  TVsProxy* fProxy = nullptr;
  net::TBlockingSocket* fSock = nullptr;
  TDocumentStream* fDocument = nullptr;
  TPartFile fFileStream;
  TDownloadStatus fDownloadStatus = stNone;
  int64_t fBytesDownloaded = 0;
  std::string fFilePart;
  int64_t fDownloadSize = 0;
  int32_t fResultCode = 0;
  std::string fDownloadUrl;
  std::string fDownloadNomeArq;
  int64_t fBytesResumed = 0;
  int64_t fBytesToDownload = 0;
  int32_t fLastError = 0;
  int64_t fRoomNeeded = 0;
  int64_t fRoomFree = 0;
  // Set when the caller wrote stStop or stPause to this session.
  bool fStopAsked = false;
  // Set when the response sent more than ResponseBodyLimit allows.
  bool fBodyOverrun = false;
  // Set while this session closes its socket, so that the drain of that close, which may
  // report more received blocks, does not close again from inside itself.
  bool fClosingSocket = false;

 private:
  void DeleteIfExists(const std::string& path);

  double fStartTime = 0;
  double fAverageSpeed = 0;
  int32_t fSizeRecvBuffer = 0;
  std::string fDownloadDest;
};

}  // namespace download
