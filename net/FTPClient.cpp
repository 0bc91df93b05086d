#include "net/FTPClient.h"

#include <algorithm>

#include "net/FTPReply.h"
#include "net/NetLimits.h"
#include "net/ProgressWindow.h"
#include "net/ProtoUtils.h"
#include "net/ScopeExit.h"
#include "platform/File.h"

namespace net {
namespace {

constexpr const char* kCRLF = "\r\n";

bool HasLineBreakOrNul(const std::string& value) {
  return value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// A listing target that takes at most `limit` bytes: past it the data socket is told to stop,
// so a server that never ends its listing can neither fill the memory nor hold the call.
class TLimitedStream : public TStream {
 public:
  TLimitedStream(TStream& inner, int64_t limit, TBlockingSocket& sock)
      : inner_(inner), limit_(limit), sock_(sock) {}

  int64_t Read(void* buffer, int64_t count) override { return inner_.Read(buffer, count); }
  int64_t Write(const void* buffer, int64_t count) override {
    if (inner_.Size() + count > limit_) {
      exceeded_ = true;
      sock_.SetStopFlag(true);
      return 0;
    }
    return inner_.Write(buffer, count);
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override { return inner_.Seek(offset, origin); }
  int64_t Size() override { return inner_.Size(); }
  bool SetSize(int64_t size) override { return inner_.SetSize(size); }
  bool Exceeded() const { return exceeded_; }

 private:
  TStream& inner_;
  int64_t limit_;
  TBlockingSocket& sock_;
  bool exceeded_ = false;
};

// The lines of a listing, without their line ends; empty lines carry nothing and are left out.
std::vector<std::string> SplitLines(const std::string& data) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < data.size()) {
    size_t end = data.find('\n', start);
    if (end == std::string::npos)
      end = data.size();
    std::string line = data.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (!line.empty())
      lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// A byte field of a PASV reply: decimal 0..255.
bool ByteField(const std::string& text, int& value) {
  const int64_t number = DecimalNumber(TrimSpaces(text));
  if (number < 0 || number > 255)
    return false;
  value = static_cast<int>(number);
  return true;
}

}  // namespace

TFTPClient::TFTPClient() : TFTPClient(TTCPBlockingSocket::DefaultSSLClass()) {}

TFTPClient::TFTPClient(TSSLClass SSLPlugin)
    : FSock(std::make_unique<TTCPBlockingSocket>(SSLPlugin)),
      FDSock(std::make_unique<TTCPBlockingSocket>(SSLPlugin)),
      FDataStream(std::make_unique<TMemoryStream>()),
      FFtpList(std::make_unique<TFTPList>()) {
  FSock->SetOwner(this);
  FSock->SetConvertLineEnd(true);
  // A reply is text of a few lines: a longer line fails the command, and the wait for a line
  // counts down across packets, so a server dripping bytes cannot hold a reply open.
  FSock->SetMaxLineLength(kMaxFtpReplyLineBytes);
  FSock->SetInterPacketTimeout(false);
  FDSock->SetOwner(this);
  FTargetPort = "21";
  FTimeout = 300000;
  FUserName = "anonymous";
  FPassword = "visitante@" + FSock->LocalName();
}

TFTPClient::~TFTPClient() = default;

// ---------------------------------------------------------------------------------------------
// Commands and replies

void TFTPClient::ReportStatus(bool Response, const std::string& Value) {
  if (FOnStatus)
    FOnStatus(this, Response, Value);
}

bool TFTPClient::ReadReplyLine(std::string& Line, uint32_t Start) {
  int32_t wait = FTimeout;
  if (FTimeout > 0) {
    const uint32_t spent = TickSpan(Start, TickNow());
    if (spent >= static_cast<uint32_t>(FTimeout)) {
      FSock->FailWith(SocketError::kTimedOut);
      return false;
    }
    wait = FTimeout - static_cast<int32_t>(spent);
  }
  // The wait holds for the line as a whole, not for each packet of it: a server that sends a
  // byte now and then cannot stretch a reply past the Timeout.
  const bool savedInterPacket = FSock->InterPacketTimeout();
  TScopeExit restore([&] { FSock->SetInterPacketTimeout(savedInterPacket); });
  FSock->SetInterPacketTimeout(false);
  Line = FSock->RecvString(wait);
  return FSock->LastError() == 0;
}

int32_t TFTPClient::ReadResult() {
  FFullResult.clear();
  FResultCode = 0;
  if (FSock->Socket() == platform::kInvalidSocket)
    return 0;
  const uint32_t start = TickNow();
  TFTPReplyReader reply;
  std::string line;
  TFTPReplyReader::TStep step = TFTPReplyReader::rsMore;
  while (step == TFTPReplyReader::rsMore && ReadReplyLine(line, start)) {
    step = reply.Add(line);
    if (step == TFTPReplyReader::rsOverflow)
      break;
    FResultString = line;
    ReportStatus(true, line);
  }
  FFullResult = std::move(reply.Lines());
  if (step == TFTPReplyReader::rsOverflow) {
    // A reply that will not end is no reply: the command fails rather than wait on it.
    FSock->FailWith(SocketError::kNoBufferSpace);
    return 0;
  }
  // A reply cut short by an error or the timeout has no code: what it began with is not what
  // the server finally answered.
  FResultCode = reply.Code();
  return FResultCode;
}

int32_t TFTPClient::FTPCommand(const std::string& Value) {
  FFullResult.clear();
  FResultCode = 0;
  if (HasLineBreakOrNul(Value))
    return 0;
  FSock->Purge();
  FSock->SendString(Value + kCRLF);
  ReportStatus(false, Value);
  if (FSock->LastError() != 0)
    return 0;
  return ReadResult();
}

// ---------------------------------------------------------------------------------------------
// Connecting and logging in

bool TFTPClient::ConnectControl() {
  FSock->CloseSocket();
  FSock->Bind(FIPInterface, "0");
  if (FSock->LastError() != 0)
    return false;
  // A server that does not answer is given up within Timeout, not the system's own limit.
  FSock->SetConnectFallbackTimeout(FTimeout > 0 ? FTimeout : 0);
  if (!FFWHost.empty())
    FSock->Connect(FFWHost, FFWPort);
  else
    FSock->Connect(FTargetHost, FTargetPort);
  if (FSock->LastError() != 0)
    return false;
  if (FTimeout > 0)
    FSock->SetSendTimeout(FTimeout);
  if (FFullSSL)
    FSock->SSLDoConnect();
  return FSock->LastError() == 0;
}

std::string TFTPClient::LogonServer() const {
  return FTargetPort == "21" ? FTargetHost : FTargetHost + ":" + FTargetPort;
}

std::string TFTPClient::LogonCommand(uint8_t Action) const {
  const std::string server = LogonServer();
  switch (Action) {
    case LA_User:
      return "USER " + FUserName;
    case LA_Pass:
      return "PASS " + FPassword;
    case LA_Acct:
      return "ACCT " + FAccount;
    case LA_FWUser:
      return "USER " + FFWUsername;
    case LA_FWPass:
      return "PASS " + FFWPassword;
    case LA_Site:
      return "SITE " + server;
    case LA_UserAtServer:
      return "USER " + FUserName + "@" + server;
    case LA_Open:
      return "OPEN " + server;
    case LA_FWUserAtServer:
      return "USER " + FFWUsername + "@" + server;
    case LA_UserAtServerFW:
      return "USER " + FUserName + "@" + server + " " + FFWUsername;
    case LA_UserAtFWAtServer:
      return "USER " + FUserName + "@" + FFWUsername + "@" + server;
    case LA_PassAtFWPass:
      return "PASS " + FPassword + "@" + FFWPassword;
    default:
      return "";
  }
}

bool TFTPClient::RunLogon(int32_t Mode) {
  if (FFWHost.empty())
    Mode = 0;
  const TLogonActions& table = LogonTable(Mode, CustomLogon);
  size_t offset = 0;
  // The built-in tables only step forward; a caller's table that loops is cut off.
  for (int32_t sent = 0; sent < kMaxFtpLogonCommands; ++sent) {
    const std::string command = LogonCommand(table[offset]);
    if (command.empty())
      return false;
    const int32_t replyClass = FTPCommand(command) / 100;
    if (replyClass != 2 && replyClass != 3)
      return false;
    const uint8_t next = replyClass == 2 ? table[offset + 1] : table[offset + 2];
    if (next == kLogonSuccess)
      return true;
    if (next == kLogonFailure || next > 15 || next % 3 != 0)
      return false;
    offset = next;
  }
  return false;
}

bool TFTPClient::Login() {
  FCanResume = false;
  if (!ConnectControl())
    return false;
  FIsTLS = FFullSSL;
  FIsDataTLS = false;
  int32_t code = ReadResult();
  for (int32_t i = 0; code / 100 == 1 && i < kMaxFtpPreliminaryReplies; ++i)
    code = ReadResult();
  if (code / 100 != 2)
    return false;
  if (FAutoTLS && !FIsTLS && FTPCommand("AUTH TLS") / 100 == 2) {
    FSock->SSLDoConnect();
    FIsTLS = FSock->LastError() == 0;
    if (!FIsTLS)
      return false;
  }
  if (!RunLogon(FFWMode))
    return false;
  if (FIsTLS) {
    FTPCommand("PBSZ 0");
    if (FTLSonData)
      FIsDataTLS = FTPCommand("PROT P") / 100 == 2;
    if (!FIsDataTLS)
      FTPCommand("PROT C");
  }
  FTPCommand("TYPE I");
  FTPCommand("STRU F");
  FTPCommand("MODE S");
  if (FTPCommand("REST 0") == 350 && FTPCommand("REST 1") == 350) {
    FTPCommand("REST 0");
    FCanResume = true;
  }
  return true;
}

bool TFTPClient::Logout() {
  const bool ok = FTPCommand("QUIT") / 100 == 2;
  FSock->CloseSocket();
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Data connections

bool TFTPClient::ParseRemote(const std::string& Value) {
  std::string text;
  const size_t open = Value.find('(');
  const size_t close = open == std::string::npos ? open : Value.find(')', open);
  if (close != std::string::npos) {
    text = Value.substr(open + 1, close - open - 1);
  } else {
    const size_t space = Value.rfind(' ');
    text = space == std::string::npos ? Value : Value.substr(space + 1);
  }
  int fields[6];
  for (int i = 0; i < 6; ++i) {
    const size_t comma = text.find(',');
    if ((comma == std::string::npos) != (i == 5))
      return false;
    if (!ByteField(text.substr(0, comma), fields[i]))
      return false;
    text = comma == std::string::npos ? "" : text.substr(comma + 1);
  }
  FDataIP = std::to_string(fields[0]) + "." + std::to_string(fields[1]) + "." +
            std::to_string(fields[2]) + "." + std::to_string(fields[3]);
  FDataPort = std::to_string(fields[4] * 256 + fields[5]);
  return true;
}

bool TFTPClient::ParseRemoteEPSV(const std::string& Value) {
  const size_t open = Value.find('(');
  const size_t close = open == std::string::npos ? open : Value.find(')', open);
  if (close == std::string::npos)
    return false;
  std::string text = TrimSpaces(Value.substr(open + 1, close - open - 1));
  if (text.empty())
    return false;
  text.pop_back();  // the closing delimiter
  size_t digits = text.size();
  while (digits > 0 && text[digits - 1] >= '0' && text[digits - 1] <= '9')
    --digits;
  const int64_t port = DecimalNumber(text.substr(digits));
  if (port < 1 || port > 65535)
    return false;
  FDataPort = std::to_string(port);
  FDataIP = FTargetHost;
  return true;
}

void TFTPClient::AimAtControlPeer() {
  const std::string peer = FSock->GetRemoteSinIP();
  if (!peer.empty() && FDataIP != peer)
    FDataIP = peer;
}

bool TFTPClient::OpenPassive() {
  if (FSock->IP6used()) {
    if (FForceOldPort)
      return false;
    if (FTPCommand("EPSV 2") / 100 != 2 || !ParseRemoteEPSV(FResultString))
      return false;
  } else if (FTPCommand("PASV") / 100 != 2 || !ParseRemote(FResultString)) {
    return false;
  }
  AimAtControlPeer();
  FDSock->CloseSocket();
  FDSock->Bind(FIPInterface, "0");
  if (FDSock->LastError() != 0)
    return false;
  FDSock->SetConnectFallbackTimeout(FTimeout > 0 ? FTimeout : 0);
  FDSock->Connect(FDataIP, FDataPort);
  return FDSock->LastError() == 0;
}

bool TFTPClient::OpenActive() {
  FDSock->CloseSocket();
  FDSock->Bind(FSock->GetLocalSinIP(), FForceDefaultPort ? "20" : "0");
  if (FDSock->LastError() != 0)
    return false;
  FDSock->SetLinger(true, kFtpDataLingerMs);
  FDSock->Listen();
  if (FDSock->LastError() != 0)
    return false;
  FDataIP = FDSock->GetLocalSinIP();
  const int32_t port = FDSock->GetLocalSinPort();
  FDataPort = std::to_string(port);
  bool told = false;
  if (FSock->IP6used() && !FForceOldPort) {
    const std::string family = IsIPv6Literal(FDataIP) ? "2" : "1";
    told = FTPCommand("EPRT |" + family + "|" + FDataIP + "|" + FDataPort + "|") / 100 == 2;
  }
  if (!told && IsIPv4Literal(FDataIP)) {
    told = FTPCommand("PORT " + ReplaceAll(FDataIP, ".", ",") + "," + std::to_string(port / 256) +
                      "," + std::to_string(port % 256)) /
               100 ==
           2;
  }
  return told;
}

bool TFTPClient::OpenDataSocket() {
  if (FIsDataTLS)
    FPassiveMode = true;
  return FPassiveMode ? OpenPassive() : OpenActive();
}

void TFTPClient::DropHandle(TSocketHandle Handle) {
  TTCPBlockingSocket stray;
  stray.SetSocket(Handle);
  stray.AbortSocket();
}

void TFTPClient::CloseListener() {
  THookSocketStatus hook = FDSock->OnStatus();
  FDSock->SetOnStatus(nullptr);
  FDSock->AbortSocket();
  FDSock->SetOnStatus(std::move(hook));
}

bool TFTPClient::SecureDataSocket() {
  if (!FIsDataTLS)
    return true;
  FDSock->SSL().Assign(FSock->SSL());
  // Servers may insist that the data connection continue the control connection's TLS
  // session. Under TLS 1.3 that session arrives in a ticket after the handshake; the control
  // connection has read it with the replies since (PBSZ, PROT, the transfer's own commands).
  // A plug-in that cannot continue sessions starts one of its own, which such servers refuse.
  FDSock->SSL().ContinueSessionOf(FSock->SSL());
  FDSock->SSLDoConnect();
  return FDSock->LastError() == 0;
}

bool TFTPClient::AcceptDataSocket() {
  if (FPassiveMode)
    return SecureDataSocket();
  // The data connection must come from the server we asked: anyone who can reach the port we
  // named would otherwise feed us a file of his own. Others are turned away while we wait.
  const std::string server = FSock->GetRemoteSinIP();
  const uint32_t start = TickNow();
  for (int32_t stray = 0; stray <= kMaxFtpStrayDataConnections; ++stray) {
    int32_t wait = FTimeout;
    if (FTimeout > 0) {
      const uint32_t spent = TickSpan(start, TickNow());
      wait = spent >= static_cast<uint32_t>(FTimeout) ? 0 : FTimeout - static_cast<int32_t>(spent);
    }
    if (!FDSock->CanRead(wait)) {
      if (FDSock->LastError() == 0)
        FDSock->FailWith(SocketError::kTimedOut);
      return false;
    }
    const TSocketHandle accepted = FDSock->Accept();
    if (FDSock->LastError() != 0)
      return false;
    if (FDSock->UsingSocks())
      return SecureDataSocket();
    if (FDSock->GetRemoteSinIP() == server) {
      CloseListener();
      FDSock->SetSocket(accepted);
      return SecureDataSocket();
    }
    DropHandle(accepted);
  }
  FDSock->FailWith(SocketError::kConnectionRefused);
  return false;
}

// ---------------------------------------------------------------------------------------------
// Transfers

bool TFTPClient::DataRead(TStream& DestStream) {
  FDataComplete = false;
  if (!AcceptDataSocket()) {
    FDSock->CloseSocket();
    return false;
  }
  // The server ends the data with the orderly end of the connection; a reset (the same
  // 10054), a timeout, a stop or a stream that refused the bytes (10055) does not.
  TProgressWindow window(FTimeout);
  FDataComplete = FDSock->ReceiveInto(DestStream, kToTheClose, FTimeout, &window);
  FDataError = FDataComplete ? 0 : FDSock->LastError();
  FDSock->CloseSocket();
  const int32_t code = ReadResult();
  FDSock->CloseSocket();
  // A server that says the transfer went well after the data connection broke is not
  // believed: what arrived is not known to be all of it.
  return FDataComplete && code / 100 == 2;
}

bool TFTPClient::DataWrite(TStream& SourceStream) {
  FDataComplete = false;
  if (!AcceptDataSocket()) {
    FDSock->CloseSocket();
    return false;
  }
  FDSock->SendStreamRaw(SourceStream);
  const bool sent = FDSock->LastError() == 0;
  FDataComplete = sent;
  FDSock->CloseSocket();
  const int32_t code = ReadResult();
  FDSock->CloseSocket();
  return sent && code / 100 == 2;
}

void TFTPClient::SendType() {
  FTPCommand(FBinaryMode ? "TYPE I" : "TYPE A");
}

bool TFTPClient::RetrieveInto(TStream& Target, const std::string& FileName, bool Resuming) {
  SendType();
  if (Resuming) {
    Target.Seek(0, TSeekOrigin::soEnd);
    const int64_t offset = FRestartOffset >= 0 ? FRestartOffset : Target.Size();
    if (FTPCommand("REST " + std::to_string(offset)) / 100 != 3) {
      FRestRefused = true;
      return false;
    }
  } else {
    Target.SetSize(0);
  }
  if (FTPCommand("RETR " + FileName) / 100 != 1)
    return false;
  FAnnouncedSize = AnnouncedTransferSize(FResultString);
  return DataRead(Target);
}

bool TFTPClient::RetrieveFile(const std::string& FileName, bool Restore) {
  FRestRefused = false;
  FDataComplete = false;
  FAnnouncedSize = -1;
  if (FileName.empty())
    return false;
  if (!OpenDataSocket())
    return false;
  const bool resuming = Restore && FCanResume;
  if (!FDirectFile) {
    const bool ok = RetrieveInto(DataStream(), FileName, resuming);
    DataStream().SetPosition(0);
    return ok;
  }
  // Without restart offsets a resumed file starts over: it is written from its first byte.
  const bool existing = resuming && platform::FileExists(FDirectFileName);
  TFileStream file;
  if (!file.Open(
          FDirectFileName, platform::TFileAccess::ReadWrite,
          existing ? platform::TFileCreate::OpenExisting : platform::TFileCreate::CreateAlways)) {
    return false;
  }
  return RetrieveInto(file, FileName, existing);
}

bool TFTPClient::StoreFrom(TStream& Source, const std::string& Command, int64_t RestoreAt) {
  if (!FCanResume)
    RestoreAt = 0;
  const int64_t size = Source.Size();
  // The server holds the whole file already.
  if (size > 0 && size == RestoreAt)
    return true;
  // A remote file larger than ours is not a piece of it: it is written anew.
  if (RestoreAt > size || RestoreAt < 0)
    RestoreAt = 0;
  if (!OpenDataSocket())
    return false;
  SendType();
  FTPCommand("ALLO " + std::to_string(size - RestoreAt));
  if (FCanResume && FTPCommand("REST " + std::to_string(RestoreAt)) / 100 != 3)
    return false;
  Source.SetPosition(RestoreAt);
  if (FTPCommand(Command) / 100 != 1)
    return false;
  return DataWrite(Source);
}

bool TFTPClient::StoreData(const std::string& Command, int64_t RestoreAt) {
  if (!FDirectFile)
    return StoreFrom(DataStream(), Command, RestoreAt);
  if (!platform::FileExists(FDirectFileName))
    return false;
  TFileStream file;
  if (!file.Open(FDirectFileName, platform::TFileAccess::Read, platform::TFileCreate::OpenExisting))
    return false;
  return StoreFrom(file, Command, RestoreAt);
}

bool TFTPClient::StoreFile(const std::string& FileName, bool Restore) {
  int64_t restoreAt = 0;
  if (Restore && FCanResume)
    restoreAt = std::max<int64_t>(FileSize(FileName), 0);
  return StoreData("STOR " + FileName, restoreAt);
}

bool TFTPClient::StoreUniqueFile() {
  return StoreData("STOU", 0);
}

bool TFTPClient::AppendFile(const std::string& FileName) {
  return StoreData("APPE " + FileName, 0);
}

bool TFTPClient::List(const std::string& Directory, bool NameList) {
  FDataStream->Clear();
  FFtpList->Clear();
  FTPCommand("TYPE A");
  if (!OpenDataSocket())
    return false;
  std::string command = NameList ? "NLST" : FUseMLSDList ? "MLSD" : "LIST";
  if (!Directory.empty())
    command += " " + Directory;
  if (FTPCommand(command) / 100 != 1)
    return false;
  // The listing always lands in the client's own memory stream, whatever target a caller
  // handed for files, and within its limit.
  TLimitedStream target(*FDataStream, kMaxFtpListingBytes, *FDSock);
  bool ok = DataRead(target);
  if (target.Exceeded()) {
    FDSock->FailWith(SocketError::kNoBufferSpace);
    ok = false;
  }
  // A listing cut short is not parsed: records from half a listing would pass for all of it.
  if (ok && !NameList) {
    FFtpList->Lines() = SplitLines(FDataStream->Data());
    if (FUseMLSDList)
      FFtpList->ParseMLSDLines();
    else
      FFtpList->ParseLines();
  }
  FDataStream->SetPosition(0);
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Single commands

// A size is a plain decimal number: "213 -5" or "213 12a" is no size but a refused answer,
// as is any reply outside the 200s; each gives -1, "not known".
int64_t TFTPClient::FileSize(const std::string& FileName) {
  if (FTPCommand("SIZE " + FileName) / 100 != 2)
    return -1;
  const size_t first = FResultString.find(' ');
  if (first == std::string::npos)
    return -1;
  const size_t second = FResultString.find(' ', first + 1);
  const std::string field = FResultString.substr(
      first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
  return DecimalNumber(field);
}

bool TFTPClient::NoOp() {
  return FTPCommand("NOOP") / 100 == 2;
}

bool TFTPClient::RenameFile(const std::string& OldName, const std::string& NewName) {
  if (FTPCommand("RNFR " + OldName) / 100 != 3)
    return false;
  return FTPCommand("RNTO " + NewName) / 100 == 2;
}

bool TFTPClient::DeleteFile(const std::string& FileName) {
  return FTPCommand("DELE " + FileName) / 100 == 2;
}

bool TFTPClient::ChangeWorkingDir(const std::string& Directory) {
  return FTPCommand("CWD " + Directory) / 100 == 2;
}

bool TFTPClient::ChangeToParentDir() {
  return FTPCommand("CDUP") / 100 == 2;
}

bool TFTPClient::ChangeToRootDir() {
  return ChangeWorkingDir("/");
}

bool TFTPClient::DeleteDir(const std::string& Directory) {
  return FTPCommand("RMD " + Directory) / 100 == 2;
}

bool TFTPClient::CreateDir(const std::string& Directory) {
  return FTPCommand("MKD " + Directory) / 100 == 2;
}

std::string TFTPClient::GetCurrentDir() {
  if (FTPCommand("PWD") / 100 != 2)
    return "";
  const size_t first = FResultString.find('"');
  if (first == std::string::npos)
    return "";
  const size_t second = FResultString.find('"', first + 1);
  if (second == std::string::npos)
    return "";
  return TrimSpaces(FResultString.substr(first + 1, second - first - 1));
}

void TFTPClient::Abort() {
  FSock->SendString(std::string("ABOR") + kCRLF);
  FDSock->SetStopFlag(true);
}

void TFTPClient::TelnetAbort() {
  // Telnet "interrupt process" and "data mark", for servers that watch for them.
  FSock->SendString("\xFF\xF4\xFF\xF2");
  Abort();
}

}  // namespace net
