// The listing parser on what real servers send: pyftpdlib's LIST and MLSD and vsftpd's LIST of
// a folder the test fills, fetched over a plain passive-mode exchange on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "net/FTPList.h"
#include "net/TCPBlockingSocket.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

using namespace net;
using namespace varelo::test;

namespace {

constexpr int32_t kTimeoutMs = 10000;
// 2021-03-03 12:00:00 UTC: old enough for every server to show the year.
constexpr std::time_t kOldTime = 1614772800;

// The folder every server lists: a file of known size and date, a folder, a name with spaces.
void FillFolder(const std::string& root) {
  namespace fs = std::filesystem;
  fs::create_directories(root + "/sub");
  WriteFileBytes(root + "/file.txt", std::string(1234, 'x'));
  WriteFileBytes(root + "/with space.bin", std::string(7, 'y'));
  // The host's own tools set the date and the modes: the Windows build's file times do not
  // reach folders there, nor its permissions the Unix modes vsftpd looks at.
  ASSERT_EQ(RunCommand({"touch", "-d", "@" + std::to_string(kOldTime), root + "/file.txt",
                        root + "/sub", root + "/with space.bin"}),
            0);
  // vsftpd serves as its unprivileged "ftp" user: everything must be readable by all.
  ASSERT_EQ(RunCommand({"chmod", "-R", "a+rX,go-w", root}), 0);
}

// Reads one reply, multi-line ones whole; returns its code (0 on a socket error).
int ReadReply(TTCPBlockingSocket& control, std::string* last = nullptr) {
  for (int i = 0; i < 100; ++i) {
    const std::string line = control.RecvString(kTimeoutMs);
    if (control.LastError() != 0)
      return 0;
    if (line.size() >= 4 && line[3] == ' ') {
      if (last)
        *last = line;
      return std::atoi(line.substr(0, 3).c_str());
    }
  }
  return 0;
}

int Command(TTCPBlockingSocket& control, const std::string& command, std::string* last = nullptr) {
  control.SendString(command + "\r\n");
  return ReadReply(control, last);
}

// Logs in anonymously and fetches the text of one listing command in passive mode.
bool FetchListing(int port, const std::string& listCommand, std::vector<std::string>& lines,
                  std::string& error) {
  TTCPBlockingSocket control;
  control.SetConvertLineEnd(true);
  control.Connect("127.0.0.1", std::to_string(port));
  if (ReadReply(control) != 220)
    return error = "no greeting", false;
  std::string reply;
  const int user = Command(control, "USER anonymous", &reply);
  if (user == 331 && Command(control, "PASS test@") != 230)
    return error = "login refused", false;
  if (user != 331 && user != 230)
    return error = "USER refused: " + reply, false;
  if (Command(control, "TYPE A") != 200)
    return error = "TYPE refused", false;
  std::string pasv;
  if (Command(control, "PASV", &pasv) != 227)
    return error = "PASV refused", false;
  int h1, h2, h3, h4, p1, p2;
  const size_t open = pasv.find('(');
  if (open == std::string::npos ||
      std::sscanf(pasv.c_str() + open, "(%d,%d,%d,%d,%d,%d)", &h1, &h2, &h3, &h4, &p1, &p2) != 6)
    return error = "PASV reply: " + pasv, false;
  TTCPBlockingSocket data;
  data.Connect("127.0.0.1", std::to_string(p1 * 256 + p2));
  const int start = Command(control, listCommand);
  if (start != 150 && start != 125)
    return error = listCommand + " refused", false;
  std::string text;
  for (int i = 0; i < 10000; ++i) {
    const std::string packet = data.RecvPacket(kTimeoutMs);
    if (data.LastError() != 0)
      break;
    text += packet;
  }
  data.CloseSocket();
  if (ReadReply(control) != 226)
    return error = "no end of transfer", false;
  Command(control, "QUIT");
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find('\n', from);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(from, end - from);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(line);
    from = end + 1;
  }
  return true;
}

struct TEntry {
  const char* name;
  bool directory;
  int64_t size;  // -1: not checked (a folder's size is the server's own)
};
const TEntry kEntries[] = {
    {"file.txt", false, 1234}, {"sub", true, -1}, {"with space.bin", false, 7}};

// The listing must hold exactly the folder's three entries, dated 2021-03-03.
void ExpectFolder(const TFTPList& list, bool withTime, const std::string& what) {
  EXPECT_TRUE(list.UnparsedLines().empty()) << what << ": " << list.UnparsedLines()[0];
  ASSERT_EQ(list.Count(), 3) << what;
  const double day = std::floor(static_cast<double>(kOldTime) / 86400.0) + 25569.0;
  for (const TEntry& e : kEntries) {
    const TFTPListRec* found = nullptr;
    for (int i = 0; i < list.Count(); ++i) {
      if (list.Items(i)->FileName() == e.name)
        found = list.Items(i);
    }
    ASSERT_NE(found, nullptr) << what << ": " << e.name;
    EXPECT_EQ(found->Directory(), e.directory) << what << ": " << e.name;
    if (e.size >= 0) {
      EXPECT_EQ(found->FileSize(), e.size) << what << ": " << e.name;
    }
    EXPECT_EQ(std::floor(found->FileTime()), day) << what << ": " << e.name;
    if (withTime) {
      EXPECT_NEAR(found->FileTime(), day + 0.5, 1.0 / 86400) << what << ": " << e.name;
    }
  }
}

class TPyftpdlib {
 public:
  explicit TPyftpdlib(const std::string& root) {
    if (RunCommand({"/usr/bin/python3", "-c", "import pyftpdlib"}) != 0)
      return;
    port_ = FreeTcpPort();
    const std::string script =
        "import sys\n"
        "from pyftpdlib.authorizers import DummyAuthorizer\n"
        "from pyftpdlib.handlers import FTPHandler\n"
        "from pyftpdlib.servers import FTPServer\n"
        "a = DummyAuthorizer()\n"
        "a.add_anonymous(sys.argv[1])\n"
        "FTPHandler.authorizer = a\n"
        "FTPServer(('127.0.0.1', int(sys.argv[2])), FTPHandler).serve_forever()\n";
    process_ = TProcess({"/usr/bin/python3", "-c", script, root, std::to_string(port_)},
                        dir_ / "pyftpdlib.log");
    started_ = WaitForPort(port_);
  }
  bool Started() const { return started_; }
  int Port() const { return port_; }

 private:
  TTempDir dir_;
  int port_ = 0;
  bool started_ = false;
  TProcess process_;
};

class TVsftpd {
 public:
  explicit TVsftpd(const std::string& root) {
    if (!HaveProgram("vsftpd") && !std::filesystem::exists("/usr/sbin/vsftpd"))
      return;
    port_ = FreeTcpPort();
    std::filesystem::create_directories(dir_ / "empty");
    const std::string config =
        "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\n"
        "listen_port=" +
        std::to_string(port_) +
        "\nbackground=NO\nanonymous_enable=YES\nno_anon_password=YES\n"
        "anon_root=" +
        root +
        "\nlocal_enable=NO\nwrite_enable=NO\n"
        "seccomp_sandbox=NO\nsecure_chroot_dir=" +
        dir_ / "empty" + "\nxferlog_enable=NO\nuse_localtime=NO\n";
    WriteFileBytes(dir_ / "vsftpd.conf", config);
    const std::string program =
        HaveProgram("vsftpd") ? std::string("vsftpd") : std::string("/usr/sbin/vsftpd");
    process_ = TProcess({program, dir_ / "vsftpd.conf"}, dir_ / "vsftpd.log");
    started_ = WaitForPort(port_);
  }
  bool Started() const { return started_; }
  int Port() const { return port_; }
  std::string Log() const { return ReadFileBytes(dir_ / "vsftpd.log"); }

 private:
  TTempDir dir_;
  int port_ = 0;
  bool started_ = false;
  TProcess process_;
};

}  // namespace

TEST(FTPListPeer, PyftpdlibListAndMlsdAreParsed) {
  TTempDir dir;
  const std::string root = dir / "root";
  FillFolder(root);
  TPyftpdlib server(root);
  if (!server.Started())
    VARELO_PEER_MISSING("python3-pyftpdlib");

  TFTPList list;
  std::string error;
  ASSERT_TRUE(FetchListing(server.Port(), "LIST", list.Lines(), error)) << error;
  list.ParseLines();
  ExpectFolder(list, false, "pyftpdlib LIST");

  TFTPList mlsd;
  ASSERT_TRUE(FetchListing(server.Port(), "MLSD", mlsd.Lines(), error)) << error;
  mlsd.ParseMLSDLines();
  ExpectFolder(mlsd, true, "pyftpdlib MLSD");
}

TEST(FTPListPeer, VsftpdListIsParsed) {
  TTempDir dir;
  const std::string root = dir / "root";
  FillFolder(root);
  TVsftpd server(root);
  if (!server.Started())
    VARELO_PEER_MISSING("vsftpd");

  TFTPList list;
  std::string error;
  ASSERT_TRUE(FetchListing(server.Port(), "LIST", list.Lines(), error)) << error << "\n"
                                                                        << server.Log();
  list.ParseLines();
  ExpectFolder(list, false, "vsftpd LIST");
}
