#include "download/VsDownloadClass.h"

#include <algorithm>
#include <cmath>

#include "download/DownloadErrors.h"
#include "download/DownloadLimits.h"
#include "download/VsDownload.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/OsError.h"

namespace download {
namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

// Days from 1899-12-30 (day 0 of the date-time) to a civil date.
int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t unixDays = era * 146097 + doe - 719468;
  return unixDays + 25569;  // 1970-01-01 is day 25569
}

bool IsSuccessForWriting(int32_t code) {
  return code == 200 || code == 206 || code == 150 || code == 125;
}

bool IsSuccessForFinishing(int32_t code) {
  return code == 200 || code == 206 || code == 226;
}

bool EndsWithPart(const std::string& name) {
  return name.size() >= 5 && name.compare(name.size() - 5, 5, ".part") == 0;
}

}  // namespace

TVsDownloadClass::TVsDownloadClass(TVsComponent* AOwner) {
  auto* owner = dynamic_cast<TVsDownload*>(AOwner);
  if (!owner)
    throw EVsDownload(kMsgWrongOwner);
  fOwner = owner;
  fProxy = owner->fProxy;
  fDownloadDest = owner->fDownloadDest;
  fDownloadUrl = owner->fDownloadUrl;
  fDownloadNomeArq = owner->fDownloadNomeArq;
  fDownloadStatus = owner->fDownloadStatus;
  fSizeRecvBuffer = owner->fSizeRecvBuffer;
  OnBeforeDownload = owner->fOnBeforeDownload;
  OnAfterDownload = owner->fOnAfterDownload;
  OnHookStatus = owner->fOnHookStatus;
  OnHookMonitor = owner->fOnHookMonitor;
  OnDownloadStatus = owner->fOnDownloadStatus;
  OnIdle = owner->fOnIdle;
}

TVsDownloadClass::~TVsDownloadClass() {
  if (fSock) {
    fSock->SetOnStatus(nullptr);
    fSock->SetOnMonitor(nullptr);
    UnbindIdle(*fSock);
    fSock = nullptr;
  }
  fDocument = nullptr;
  fProxy = nullptr;
  fOwner = nullptr;
  // What the file was handed reaches the disk; what the document still holds is dropped.
  fFileStream.Close();
}

void TVsDownloadClass::SetTransport(net::TBlockingSocket* Sock, TDocumentStream* Document) {
  if (fSock && fSock != Sock)
    UnbindIdle(*fSock);
  fSock = Sock;
  fDocument = Document;
  if (fSock) {
    SetSizeRecvBuffer(fSizeRecvBuffer);
    BindIdle(*fSock);
  }
}

void TVsDownloadClass::BindIdle(net::TBlockingSocket& Sock) {
  Sock.SetHeartbeatRate(kIdleSliceMs);
  Sock.SetOnHeartbeat([this](net::TBlockingSocket* Sender) { HandleIdle(Sender); });
}

void TVsDownloadClass::UnbindIdle(net::TBlockingSocket& Sock) {
  Sock.SetOnHeartbeat(nullptr);
  Sock.SetHeartbeatRate(0);
}

void TVsDownloadClass::HandleIdle(net::TBlockingSocket* Sender) {
  // What the last receive put into the document is judged and written while the next one
  // waits: an answer that is refused (too little room, say) is stopped now, not at the next
  // packet, which a server may hold back.
  if (fFileStream.IsOpen() && fDocument && fFileStream.Size() - fBytesResumed < fDocument->Size())
    FlushDocument();
  if (OnIdle)
    OnIdle(this);
  // The wait (or the receive about to be made) ends with 10053, and the request ends as a
  // stopped one: its close report keeps or discards the partial file by the status.
  // Only a caller's write counts: a new session starts with the status the component had
  // (a pause, when the transfer is being resumed), and that must not stop its login.
  if (fStopAsked && (fDownloadStatus == stStop || fDownloadStatus == stPause) && Sender)
    Sender->SetStopFlag(true);
}

void TVsDownloadClass::DiscardIfStopped() {
  if (fDownloadStatus != stStop || fFilePart.empty())
    return;
  fFileStream.Close();
  DeleteIfExists(fFilePart);
}

void TVsDownloadClass::SetDownloadStatus(TDownloadStatus Value) {
  fDownloadStatus = Value;
  fStopAsked = Value == stStop || Value == stPause;
  if (OnDownloadStatus)
    OnDownloadStatus(this, Value);
}

void TVsDownloadClass::SetSizeRecvBuffer(int32_t Value) {
  fSizeRecvBuffer = Value;
  if (fSock)
    fSock->SetSizeRecvBuffer(Value);
}

std::string TVsDownloadClass::EnsureTrailingBackslash(const std::string& Value) {
  size_t first = 0;
  size_t last = Value.size();
  while (first < last && static_cast<unsigned char>(Value[first]) <= ' ')
    ++first;
  while (last > first && static_cast<unsigned char>(Value[last - 1]) <= ' ')
    --last;
  std::string result = Value.substr(first, last - first);
  if (!result.empty() && result.back() != '\\')
    result += '\\';
  return result;
}

double TVsDownloadClass::Now() const {
  const platform::TLocalTime t = platform::LocalNow();
  const double time = ((t.hour * 60.0 + t.minute) * 60.0 + t.second) * 1000.0 + t.millisecond;
  return static_cast<double>(DaysFromCivil(t.year, t.month, t.day)) + time / kMillisecondsPerDay;
}

void TVsDownloadClass::OpenPartFile() {
  fFilePart = EnsureTrailingBackslash(fDownloadDest) + fFilePart;
  const bool existing = platform::FileExists(fFilePart);
  if (!fFileStream.OpenOrCreate(fFilePart, existing)) {
    const char* verb = existing ? "Cannot open file \"" : "Cannot create file \"";
    throw EVsDownload(verb + fFilePart + "\". " + fFileStream.ErrorText());
  }
  // Set directly: only a caller's write raises OnDownloadStatus.
  fDownloadStatus = existing ? stResume : stNone;
  fBytesResumed = existing ? fFileStream.Size() : 0;
}

void TVsDownloadClass::FlushDocument() {
  if (!fDocument || !fFileStream.IsOpen())
    return;
  const int64_t d = fDocument->Size();
  if (d == 0)
    return;
  const int64_t written = fFileStream.Size() - fBytesResumed;
  const int64_t n = d - written;
  if (n > 0 && AcceptResponseBody()) {
    int64_t take = n;
    const int64_t limit = ResponseBodyLimit();
    if (limit >= 0 && take > limit - written) {
      // Bytes past what the answer announced are no part of the file. The transfer ends at
      // the next receive instead of reading (and dropping) whatever else the server sends.
      take = std::max<int64_t>(limit - written, 0);
      fBodyOverrun = true;
      if (fSock)
        fSock->SetStopFlag(true);
    }
    // The last n bytes of the document; the document holds at least those, as it releases
    // only what the file has taken.
    const int64_t from = d - n - fDocument->HeldStart();
    const std::string& held = fDocument->Held();
    if (take > 0 && from >= 0 && from + take <= static_cast<int64_t>(held.size())) {
      if (!fFileStream.Append(held.data() + from, static_cast<size_t>(take)))
        ThrowWriteFailure(fDownloadSize > 0 ? fDownloadSize - written : take);
    }
  }
  // Bytes the file holds (or that were refused) are not kept in memory.
  fDocument->Release(static_cast<int64_t>(fDocument->Held().size()));
  fDocument->Seek(0, net::TSeekOrigin::soEnd);
}

void TVsDownloadClass::ClosePartFile() {
  if (!fFileStream.IsOpen())
    return;
  if (!fFileStream.Close())
    ThrowWriteFailure(0);
}

bool TVsDownloadClass::RoomFor(int64_t bytes) {
  if (bytes <= 0)
    return true;
  const int64_t room = platform::FreeDiskSpace(fFilePart);
  if (room < 0 || bytes <= room)
    return true;
  fRoomNeeded = bytes;
  fRoomFree = room;
  fLastError = kErrorNoRoom;
  return false;
}

void TVsDownloadClass::ThrowWriteFailure(int64_t stillToCome) {
  if (fFileStream.ErrorCode() == platform::kErrorDiskFull) {
    fRoomNeeded = std::max<int64_t>(stillToCome, 1);
    fRoomFree = std::max<int64_t>(platform::FreeDiskSpace(fFilePart), 0);
    fLastError = kErrorNoRoom;
  }
  throw EVsDownload("Cannot write to file \"" + fFilePart + "\". " + fFileStream.ErrorText());
}

void TVsDownloadClass::HandleSocketMonitor(net::TBlockingSocket* Sender, bool Writing, const void*,
                                           int32_t Len) {
  if (Writing)
    return;
  fBytesDownloaded += Len;
  if (fFileStream.IsOpen() && fDocument && fFileStream.Size() - fBytesResumed < fDocument->Size()) {
    FlushDocument();
  } else if (fDocument && !fFileStream.IsOpen()) {
    // Without a file (the name probe) the body is not wanted and need not stay in memory.
    fDocument->Release(static_cast<int64_t>(fDocument->Held().size()));
  }

  // Elapsed time as the time of day of (now - start), whole seconds in 16 bits.
  double elapsedDays = Now() - fStartTime;
  if (elapsedDays < 0)
    elapsedDays = 0;
  const double dayPart = elapsedDays - std::floor(elapsedDays);
  const int64_t ms = std::llround(dayPart * kMillisecondsPerDay) % 86400000;
  const uint16_t hours = static_cast<uint16_t>(ms / 3600000);
  const uint16_t minutes = static_cast<uint16_t>(ms / 60000 % 60);
  const int64_t seconds = ms / 1000 % 60;
  uint16_t total = static_cast<uint16_t>(hours * 3600 + minutes * 60 + seconds);
  const double elapsed = total + static_cast<double>(ms % 1000) / 1000.0;
  if (elapsed > 0)
    fAverageSpeed = static_cast<double>(fBytesDownloaded) / 1024.0 / elapsed;
  if (fAverageSpeed > 0) {
    // Seconds still to go; held within 16 bits rather than wrapped.
    const double left = std::trunc(static_cast<double>(fBytesToDownload - fBytesDownloaded) /
                                   1024.0 / fAverageSpeed);
    total = static_cast<uint16_t>(std::clamp(left, 0.0, 65535.0));
  }

  if ((fDownloadStatus == stStop || fDownloadStatus == stPause) && fSock && !fClosingSocket) {
    fClosingSocket = true;
    try {
      fSock->CloseSocket();
    } catch (...) {
      fClosingSocket = false;
      throw;
    }
    fClosingSocket = false;
  }

  if (OnHookMonitor) {
    OnHookMonitor(Sender, Saturate32(fBytesToDownload), Saturate32(fBytesDownloaded), fAverageSpeed,
                  hours, minutes, total);
  }
}

void TVsDownloadClass::RaiseHookStatus(net::TBlockingSocket* Sender, THookSocketReason Reason) {
  if (OnHookStatus)
    OnHookStatus(Sender, Reason, Saturate32(fBytesToDownload), Saturate32(fBytesDownloaded));
}

void TVsDownloadClass::HandleSocketStatus(net::TBlockingSocket* Sender, THookSocketReason Reason,
                                          const std::string&) {
  switch (Reason) {
    case net::HR_Connect:
      RaiseHookStatus(Sender, Reason);
      break;
    case net::HR_ReadCount:
      if ((fDownloadStatus == stNone || fDownloadStatus == stResume) && fDownloadSize != 0) {
        if (fDownloadStatus == stNone || fStartTime == 0) {
          fStartTime = Now();
          fAverageSpeed = 0;
        }
        fDownloadStatus = stDownload;
        fBytesDownloaded = fBytesResumed;
        fBytesToDownload = fBytesResumed + fDownloadSize;
        RaiseHookStatus(Sender, Reason);
      }
      break;
    case net::HR_SocketClose: {
      // A body that came whole with the header block was never followed by a receive of its
      // own, so the start was not seen: it is made now, as the size is known, and reported
      // with the bytes counted below, so that the progress display ends full.
      const bool startedAtClose =
          (fDownloadStatus == stNone || fDownloadStatus == stResume) && fDownloadSize != 0;
      if (startedAtClose) {
        fDownloadStatus = stDownload;
        fBytesDownloaded = fBytesResumed;
        fBytesToDownload = fBytesResumed + fDownloadSize;
      }
      if (IsSuccessForWriting(fResultCode) && fFileStream.IsOpen()) {
        FlushDocument();
        ClosePartFile();
        // Body bytes that came in with the header block reach the document without a receive
        // of their own; the close report counts every byte of the body.
        if (fDocument)
          fBytesDownloaded = std::max(fBytesDownloaded, fBytesResumed + fDocument->Size());
      }
      if (startedAtClose)
        RaiseHookStatus(Sender, net::HR_ReadCount);
      SettleFileAtClose();
      RaiseHookStatus(Sender, Reason);
      break;
    }
    default:
      break;
  }
}

void TVsDownloadClass::SettleFileAtClose() {
  switch (fDownloadStatus) {
    case stStop:
      // A stop discards the partial file; a file still open (an answer that was not a
      // success) is closed first, so that it can go.
      if (!fFilePart.empty()) {
        fFileStream.Close();
        DeleteIfExists(fFilePart);
      }
      break;
    case stNone:
    case stDownload:
      if (IsSuccessForFinishing(fResultCode) && ResponseComplete())
        FinishFile();
      break;
    default:
      break;
  }
}

void TVsDownloadClass::DeleteIfExists(const std::string& path) {
  if (platform::FileExists(path) && !platform::DeleteFile(path))
    throw EVsDownload(FormatMessage(kMsgCannotDelete, path));
}

void TVsDownloadClass::FinishFile() {
  // During the name probe there is no file yet.
  if (fFilePart.empty())
    return;
  // The file is renamed only once everything handed to it is on the disk.
  ClosePartFile();
  if (EndsWithPart(fFilePart)) {
    const std::string target = fFilePart.substr(0, fFilePart.size() - 5);
    if (platform::FileExists(target) && platform::FileExists(fFilePart))
      DeleteIfExists(target);
    if (platform::FileExists(fFilePart) && !platform::RenameFile(fFilePart, target))
      throw EVsDownload(FormatMessage(kMsgCannotRename, fFilePart, target));
  } else {
    // Written under its final name: a partial file left from before a redirect goes.
    DeleteIfExists(fFilePart + ".part");
  }
}

std::string FormatMessage(const std::string& pattern, const std::string& first,
                          const std::string& second) {
  std::string result;
  int used = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern.compare(i, 2, "%s") == 0 && used < 2) {
      result += used++ == 0 ? first : second;
      ++i;
    } else {
      result += pattern[i];
    }
  }
  return result;
}

}  // namespace download
