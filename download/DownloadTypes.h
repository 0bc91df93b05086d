#pragma once
#include <cstdint>
#include <functional>

#include "net/BlockingSocket.h"

// The enumerations and event types the download component and its sessions share.
namespace download {

class TVsDownloadClass;

using net::THookSocketReason;

// Stored in one byte: the values are part of the component's form data.
enum TVsProtocolo : uint8_t { protNenhum, protHTTP, protFTP };

// stNone: a new partial file, nothing counted yet; stStop: the caller asks to abort and
// discard the partial file; stDownload: data is flowing (on the component: a start was
// requested); stPause: the caller asks to abort and keep the partial file; stResume: an
// existing partial file is being continued; stRedirect: the HTTP session follows a redirect.
enum TDownloadStatus : uint8_t { stNone, stStop, stDownload, stPause, stResume, stRedirect };

// The events. An unset one is skipped. The hook events carry the socket that reported the
// event as Sender, the others the session.
using TVsBeforeDownload = std::function<void(TVsDownloadClass* Sender)>;
using TVsAfterDownload = std::function<void(TVsDownloadClass* Sender)>;
using TVsHookStatus = std::function<void(net::TBlockingSocket* Sender, THookSocketReason Reason,
                                         int32_t BytesToDownload, int32_t BytesDownloaded)>;
using TVsHookMonitor = std::function<void(net::TBlockingSocket* Sender, int32_t BytesToDownload,
                                          int32_t BytesDownloaded, double AverageSpeed,
                                          uint16_t Hour, uint16_t Min, uint16_t Sec)>;
using TVsDownloadStatus =
    std::function<void(TVsDownloadClass* Sender, TDownloadStatus DownloadStatus)>;
// Raised while a transfer runs, at least every kIdleSliceMs of waiting and before every
// receive and send: the caller's chance to handle its window messages, and to pause or stop
// the transfer, also while no byte arrives. Sender is the session.
using TVsIdle = std::function<void(TVsDownloadClass* Sender)>;

// The events' byte figures are 32-bit: a package of 2 GiB or more shows its figures held at
// the largest value instead of wrapping negative, so a progress bar never runs backwards.
inline int32_t Saturate32(int64_t value) {
  if (value > INT32_MAX)
    return INT32_MAX;
  if (value < INT32_MIN)
    return INT32_MIN;
  return static_cast<int32_t>(value);
}

}  // namespace download
