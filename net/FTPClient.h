#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/FTPList.h"
#include "net/FTPLogon.h"
#include "net/Stream.h"
#include "net/TCPBlockingSocket.h"
#include "net/TramaClient.h"

// A blocking FTP client: a control connection and a data connection, login through a
// table-driven logon sequence that also covers the usual FTP firewalls, passive (PASV, EPSV)
// and active (PORT, EPRT) data connections over IPv4 and IPv6, downloads and uploads with
// resume, and directory listings parsed into records. Every operation returns false (or -1)
// on a socket error or an unexpected reply; ResultCode, ResultString and FullResult keep the
// last reply and the sockets' LastError the socket cause.
namespace net {

class TFTPClient;

// Response false: a command sent; true: a reply line received.
using TFTPStatus = std::function<void(TFTPClient* Sender, bool Response, const std::string& Value)>;

class TFTPClient : public TTramaClient {
 public:
  TFTPClient();
  // Both connections with the given SSL plug-in instead of the build's default one.
  explicit TFTPClient(TSSLClass SSLPlugin);
  ~TFTPClient() override;

  // --- virtual operations ---
  virtual bool RunLogon(int32_t Mode);
  virtual bool ConnectControl();
  virtual bool StoreData(const std::string& Command, int64_t RestoreAt);
  virtual bool OpenDataSocket();
  virtual bool AcceptDataSocket();
  virtual void ReportStatus(bool Response, const std::string& Value);
  // Reads one whole reply into FullResult; gives its code, or 0 when no complete reply came
  // (a socket error, a timeout, or a reply past the reply limits).
  virtual int32_t ReadResult();
  // PASV reply text into DataIP and DataPort; false when it holds no usable address.
  virtual bool ParseRemote(const std::string& Value);
  // EPSV reply text into DataPort (DataIP := TargetHost); false without a usable port.
  virtual bool ParseRemoteEPSV(const std::string& Value);
  // Sends one command line and reads its reply. A command holding CR, LF or NUL is not sent
  // (result 0): a name taken from elsewhere must not smuggle in a command of its own.
  virtual int32_t FTPCommand(const std::string& Value);
  virtual bool Login();
  virtual bool Logout();
  virtual void Abort();
  virtual void TelnetAbort();
  virtual bool List(const std::string& Directory, bool NameList);
  virtual bool RetrieveFile(const std::string& FileName, bool Restore);
  virtual bool StoreFile(const std::string& FileName, bool Restore);
  virtual bool StoreUniqueFile();
  virtual bool AppendFile(const std::string& FileName);
  virtual bool RenameFile(const std::string& OldName, const std::string& NewName);
  virtual bool DeleteFile(const std::string& FileName);
  virtual int64_t FileSize(const std::string& FileName);
  virtual bool NoOp();
  virtual bool ChangeWorkingDir(const std::string& Directory);
  virtual bool ChangeToParentDir();
  virtual bool ChangeToRootDir();
  virtual bool DeleteDir(const std::string& Directory);
  virtual bool CreateDir(const std::string& Directory);
  virtual std::string GetCurrentDir();
  virtual bool DataRead(TStream& DestStream);
  virtual bool DataWrite(TStream& SourceStream);

  // --- properties ---
  const TFTPStatus& OnStatus() const { return FOnStatus; }
  void SetOnStatus(TFTPStatus Value) { FOnStatus = std::move(Value); }
  TTCPBlockingSocket& Sock() { return *FSock; }
  TTCPBlockingSocket& DSock() { return *FDSock; }
  int32_t ResultCode() const { return FResultCode; }
  const std::string& ResultString() const { return FResultString; }
  const std::vector<std::string>& FullResult() const { return FFullResult; }
  const std::string& Account() const { return FAccount; }
  void SetAccount(const std::string& Value) { FAccount = Value; }
  const std::string& FWHost() const { return FFWHost; }
  void SetFWHost(const std::string& Value) { FFWHost = Value; }
  const std::string& FWPort() const { return FFWPort; }
  void SetFWPort(const std::string& Value) { FFWPort = Value; }
  const std::string& FWUsername() const { return FFWUsername; }
  void SetFWUsername(const std::string& Value) { FFWUsername = Value; }
  const std::string& FWPassword() const { return FFWPassword; }
  void SetFWPassword(const std::string& Value) { FFWPassword = Value; }
  int32_t FWMode() const { return FFWMode; }
  void SetFWMode(int32_t Value) { FFWMode = Value; }
  // The stream transfers read from and write into: the client's own memory stream unless a
  // caller handed another (SetDataTarget), which the client does not own.
  TStream& DataStream() { return FDataTarget ? *FDataTarget : *FDataStream; }
  TMemoryStream& OwnDataStream() { return *FDataStream; }
  void SetDataTarget(TStream* Value) { FDataTarget = Value; }
  const std::string& DataIP() const { return FDataIP; }
  const std::string& DataPort() const { return FDataPort; }
  bool DirectFile() const { return FDirectFile; }
  void SetDirectFile(bool Value) { FDirectFile = Value; }
  const std::string& DirectFileName() const { return FDirectFileName; }
  void SetDirectFileName(const std::string& Value) { FDirectFileName = Value; }
  bool CanResume() const { return FCanResume; }
  bool PassiveMode() const { return FPassiveMode; }
  void SetPassiveMode(bool Value) { FPassiveMode = Value; }
  bool ForceDefaultPort() const { return FForceDefaultPort; }
  void SetForceDefaultPort(bool Value) { FForceDefaultPort = Value; }
  bool ForceOldPort() const { return FForceOldPort; }
  void SetForceOldPort(bool Value) { FForceOldPort = Value; }
  TFTPList& FtpList() { return *FFtpList; }
  bool BinaryMode() const { return FBinaryMode; }
  void SetBinaryMode(bool Value) { FBinaryMode = Value; }
  bool AutoTLS() const { return FAutoTLS; }
  void SetAutoTLS(bool Value) { FAutoTLS = Value; }
  bool IsTLS() const { return FIsTLS; }
  bool IsDataTLS() const { return FIsDataTLS; }
  bool TLSonData() const { return FTLSonData; }
  void SetTLSonData(bool Value) { FTLSonData = Value; }
  bool FullSSL() const { return FFullSSL; }
  void SetFullSSL(bool Value) { FFullSSL = Value; }
  bool UseMLSDList() const { return FUseMLSDList; }
  void SetUseMLSDList(bool Value) { FUseMLSDList = Value; }

  // The restart offset a resumed retrieval sends: -1 (the default) takes the size of the
  // target, which is what a resumed direct file or memory stream holds. A caller that keeps
  // the resumed bytes elsewhere (a download's partial file) gives their count here.
  int64_t RestartOffset() const { return FRestartOffset; }
  void SetRestartOffset(int64_t Value) { FRestartOffset = Value; }
  // Whether the last retrieval failed because the server refused its restart offset.
  bool RestRefused() const { return FRestRefused; }
  // Whether the last data transfer ended with the server's orderly end of the data
  // connection, rather than a reset, a timeout, a stop or a refused connection: only then can the
  // received data be the whole file.
  bool DataComplete() const { return FDataComplete; }
  // The data socket's error that ended the last data transfer short of that (10054 for a
  // reset, 10060 for a timeout, 10053 for a stop); 0 when the data was complete.
  int32_t DataError() const { return FDataError; }
  // The size the server's preliminary reply to the last retrieval announced ("(N bytes)");
  // -1 when it announced none. Servers that do not answer SIZE often send it.
  int64_t AnnouncedSize() const { return FAnnouncedSize; }

  // The logon table used when FWMode is -1.
  TLogonActions CustomLogon{};

 private:
  // The text a logon step sends.
  std::string LogonCommand(uint8_t Action) const;
  // The server named in firewall logons: TargetHost, with ":" + TargetPort unless it is "21".
  std::string LogonServer() const;
  bool OpenPassive();
  bool OpenActive();
  // Where a passive data connection goes: the control connection's peer, whatever address
  // the server named (a server cannot send us to a third host).
  void AimAtControlPeer();
  // Closes a socket handle without adopting it, and without any status report.
  void DropHandle(TSocketHandle Handle);
  // Closes the data socket's listening handle without a status report: it carries no
  // transfer, and a download judges its file at every close report of the data socket.
  void CloseListener();
  bool SecureDataSocket();
  // Reads one reply line within what is left of Timeout since the reply began at tick
  // Start; false on error or timeout.
  bool ReadReplyLine(std::string& Line, uint32_t Start);
  bool StoreFrom(TStream& Source, const std::string& Command, int64_t RestoreAt);
  bool RetrieveInto(TStream& Target, const std::string& FileName, bool Resuming);
  void SendType();

  TFTPStatus FOnStatus;
  std::unique_ptr<TTCPBlockingSocket> FSock;
  std::unique_ptr<TTCPBlockingSocket> FDSock;
  int32_t FResultCode = 0;
  std::string FResultString;
  std::vector<std::string> FFullResult;
  std::string FAccount;
  std::string FFWHost;
  std::string FFWPort = "21";
  std::string FFWUsername;
  std::string FFWPassword;
  int32_t FFWMode = 0;
  std::unique_ptr<TMemoryStream> FDataStream;
  std::string FDataIP;
  std::string FDataPort;
  bool FDirectFile = false;
  std::string FDirectFileName;
  bool FCanResume = false;
  bool FPassiveMode = true;
  bool FForceDefaultPort = false;
  bool FForceOldPort = false;
  std::unique_ptr<TFTPList> FFtpList;
  bool FBinaryMode = true;
  bool FAutoTLS = false;
  bool FIsTLS = false;
  bool FIsDataTLS = false;
  bool FTLSonData = true;
  bool FFullSSL = false;
  bool FUseMLSDList = false;
  TStream* FDataTarget = nullptr;
  int64_t FRestartOffset = -1;
  bool FRestRefused = false;
  bool FDataComplete = false;
  int32_t FDataError = 0;
  int64_t FAnnouncedSize = -1;
};

}  // namespace net
