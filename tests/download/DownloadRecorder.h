#pragma once
#include <string>
#include <vector>

#include "download/VsDownload.h"
#include "download/VsHTTPDownload.h"
#include "tests/support/TempDir.h"

// A download component configured as the installer's, with every event written down in order.
namespace download::test {

struct TEvent {
  std::string kind;  // "before", "after", "status", "monitor", "downloadstatus"
  net::THookSocketReason reason = net::HR_Error;
  int32_t toDownload = 0;
  int32_t downloaded = 0;
  uint16_t sec = 0;
  TDownloadStatus status = stNone;

  std::string Text() const {
    static const char* reasons[] = {"ResolvingBegin", "ResolvingEnd", "SocketCreate", "SocketClose",
                                    "Bind",           "Connect",      "CanRead",      "CanWrite",
                                    "Listen",         "Accept",       "ReadCount",    "WriteCount",
                                    "Wait",           "Error"};
    if (kind == "status")
      return std::string("status ") + reasons[reason] + " " + std::to_string(toDownload) + " " +
             std::to_string(downloaded);
    return kind;
  }
};

class TDownloadRecorder {
 public:
  TDownloadRecorder() {
    component.SetProtocolo(protHTTP);
    component.SetSizeRecvBuffer(65536);
    component.Proxy().ProxyTimeout = 5000;
    component.SetOnBeforeDownload([this](TVsDownloadClass* s) {
      events.push_back({"before"});
      if (onBefore)
        onBefore(static_cast<TVsHTTPDownload&>(*s));
    });
    component.SetOnAfterDownload([this](TVsDownloadClass* s) {
      events.push_back({"after"});
      lastResult = static_cast<TVsHTTPDownload*>(s)->HTTPClient().ResultCode();
    });
    component.SetOnHookStatus(
        [this](net::TBlockingSocket*, net::THookSocketReason r, int32_t t, int32_t d) {
          events.push_back({"status", r, t, d});
        });
    component.SetOnHookMonitor([this](net::TBlockingSocket*, int32_t t, int32_t d, double, uint16_t,
                                      uint16_t, uint16_t sec) {
      TEvent e{"monitor", net::HR_Error, t, d, sec};
      events.push_back(e);
      if (onMonitor)
        onMonitor(e);
    });
    component.SetOnDownloadStatus([this](TVsDownloadClass*, TDownloadStatus s) {
      TEvent e{"downloadstatus"};
      e.status = s;
      events.push_back(e);
    });
  }

  void Fetch(const std::string& url, const std::string& dest = varelo::test::InPrefix("C:\\d\\")) {
    component.SetDownloadUrl(url);
    component.SetDownloadDest(dest);
    component.StartDownload();
  }

  int Count(const std::string& kind, net::THookSocketReason reason = net::HR_Error) const {
    int n = 0;
    for (const auto& e : events)
      n += e.kind == kind && (kind != "status" || e.reason == reason);
    return n;
  }

  // The events without the monitor ones, as text.
  std::vector<std::string> Outline() const {
    std::vector<std::string> out;
    for (const auto& e : events) {
      if (e.kind != "monitor")
        out.push_back(e.Text());
    }
    return out;
  }

  TVsDownload component;
  std::vector<TEvent> events;
  std::function<void(TVsHTTPDownload&)> onBefore;
  std::function<void(const TEvent&)> onMonitor;
  int lastResult = 0;
};

}  // namespace download::test
