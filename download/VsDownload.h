#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "download/DownloadTypes.h"
#include "download/VsDownloadClass.h"
#include "download/VsFTP.h"
#include "download/VsProxy.h"

// The download component: a non-visual component that fetches one URL into a destination
// folder. It holds the settings and the handlers; each StartDownload creates a new session of
// the protocol's class, which does the transfer on the caller's thread, raising every event
// before StartDownload returns. Every setter stores the value and passes it on to the current
// session, so that a change made during a transfer (a pause or stop through DownloadStatus,
// above all) reaches it at once.
namespace download {

// The component base: a design-time "about" property and nothing else.
enum TVsAboutInfo : uint8_t { VsAbout };

class TVsComponent {
 public:
  explicit TVsComponent(TVsComponent* AOwner = nullptr) : fComponentOwner(AOwner) {}
  virtual ~TVsComponent() = default;
  TVsComponent(const TVsComponent&) = delete;
  TVsComponent& operator=(const TVsComponent&) = delete;

  TVsAboutInfo AboutVs = VsAbout;
  TVsComponent* Owner() const { return fComponentOwner; }

 private:
  TVsComponent* fComponentOwner;
};

class TVsDownload : public TVsComponent {
 public:
  explicit TVsDownload(TVsComponent* AOwner = nullptr);
  ~TVsDownload() override;

  // Runs one transfer. "Antes de iniciar o download, defina o protocolo a ser usado HTTP ou
  // FTP!" without a protocol; every failure of the session leaves through here.
  void StartDownload();

  const std::string& DownloadDest() const { return fDownloadDest; }
  void SetDownloadDest(const std::string& Value);
  const std::string& DownloadUrl() const { return fDownloadUrl; }
  void SetDownloadUrl(const std::string& Value);
  const std::string& DownloadNomeArq() const { return fDownloadNomeArq; }
  void SetDownloadNomeArq(const std::string& Value);
  int32_t SizeRecvBuffer() const { return fSizeRecvBuffer; }
  void SetSizeRecvBuffer(int32_t Value);
  // The settings objects. Assigning one makes the component (and the session) refer to the
  // given object, which the caller keeps owning; the component's own object stays alive.
  TVsProxy& Proxy() const { return *fProxy; }
  void SetProxy(TVsProxy* Value);
  TVsFTP& FTP() const { return *fFTP; }
  void SetFTP(TVsFTP* Value);
  TVsProtocolo Protocolo() const { return fProtocolo; }
  void SetProtocolo(TVsProtocolo Value) { fProtocolo = Value; }
  // Writing it also sets the current session's status and raises OnDownloadStatus.
  TDownloadStatus DownloadStatus() const { return fDownloadStatus; }
  void SetDownloadStatus(TDownloadStatus Value);

  const TVsBeforeDownload& OnBeforeDownload() const { return fOnBeforeDownload; }
  void SetOnBeforeDownload(TVsBeforeDownload Value);
  const TVsAfterDownload& OnAfterDownload() const { return fOnAfterDownload; }
  void SetOnAfterDownload(TVsAfterDownload Value);
  const TVsHookStatus& OnHookStatus() const { return fOnHookStatus; }
  void SetOnHookStatus(TVsHookStatus Value);
  const TVsHookMonitor& OnHookMonitor() const { return fOnHookMonitor; }
  void SetOnHookMonitor(TVsHookMonitor Value);
  const TVsDownloadStatus& OnDownloadStatus() const { return fOnDownloadStatus; }
  void SetOnDownloadStatus(TVsDownloadStatus Value);
  // Not part of the form data: the hook for a caller that must keep its window alive and be
  // able to stop while a transfer waits (see TVsIdle).
  const TVsIdle& OnIdle() const { return fOnIdle; }
  void SetOnIdle(TVsIdle Value);

  // The current session: the placeholder until the first start, then the last start's.
  TVsDownloadClass& Session() const { return *fDown; }

 private:
  // A new session copies the component's fields as they stand.
  friend class TVsDownloadClass;

  std::unique_ptr<TVsDownloadClass> fDown;
  TVsProtocolo fProtocolo = protNenhum;
  std::string fDownloadDest;
  TDownloadStatus fDownloadStatus = stNone;
  std::string fDownloadUrl;
  std::string fDownloadNomeArq;
  TVsProxy* fProxy = nullptr;
  int32_t fSizeRecvBuffer = 0;
  TVsFTP* fFTP = nullptr;
  TVsBeforeDownload fOnBeforeDownload;
  TVsHookStatus fOnHookStatus;
  TVsDownloadStatus fOnDownloadStatus;
  TVsAfterDownload fOnAfterDownload;
  TVsHookMonitor fOnHookMonitor;
  TVsIdle fOnIdle;
  // The component's own settings objects, which fProxy and fFTP refer to until a caller
  // assigns others.
  std::unique_ptr<TVsProxy> fOwnProxy;
  std::unique_ptr<TVsFTP> fOwnFTP;
};

}  // namespace download
