#include "download/VsDownload.h"

#include <gtest/gtest.h>

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

#include "download/DownloadErrors.h"
#include "download/VsFTPDownload.h"
#include "platform/File.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace download {
namespace {

using varelo::test::ReadFileBytes;
using varelo::test::TTempPrefix;
using varelo::test::WriteFileBytes;

// A session with a clock the test holds and its protected state in reach.
class TTestSession : public TVsDownloadClass {
 public:
  explicit TTestSession(TVsComponent* owner) : TVsDownloadClass(owner) {
    SetTransport(nullptr, &document);
  }
  double Now() const override { return clock; }

  void Open(const std::string& name) {
    fFilePart = name;
    OpenPartFile();
  }
  void Receive(const std::string& bytes) {
    HandleSocketMonitor(nullptr, false, bytes.data(), static_cast<int32_t>(bytes.size()));
    document.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  void Report(net::THookSocketReason reason) { HandleSocketStatus(nullptr, reason, ""); }
  void SetFilePartForTest(const std::string& path) { fFilePart = path; }
  void SetResult(int32_t code, int64_t size) {
    fResultCode = code;
    fDownloadSize = size;
  }

  TDocumentStream document;
  double clock = 1000.0;
};

TEST(VsDownload, NewComponentDefaults) {
  TVsDownload component;
  EXPECT_EQ(component.DownloadStatus(), stNone);
  EXPECT_EQ(component.Protocolo(), protNenhum);
  EXPECT_EQ(component.SizeRecvBuffer(), 0);
  EXPECT_EQ(component.Proxy().ProxyTimeout, 90000);
  EXPECT_EQ(component.FTP().FtpTimeout, 300000);
  EXPECT_EQ(component.AboutVs, VsAbout);
  // The placeholder is a bare session.
  const TVsDownloadClass& placeholder = component.Session();
  EXPECT_EQ(typeid(placeholder), typeid(TVsDownloadClass));
}

TEST(VsDownload, StartWithoutProtocolFailsAndChangesNothing) {
  TVsDownload component;
  component.SetDownloadStatus(stPause);
  TVsDownloadClass* placeholder = &component.Session();
  for (int i = 0; i < 2; ++i) {
    try {
      component.StartDownload();
      FAIL() << "no failure";
    } catch (const EVsDownload& e) {
      EXPECT_STREQ(e.what(),
                   "Antes de iniciar o download, defina o protocolo a ser usado HTTP ou FTP!");
    }
  }
  EXPECT_EQ(component.DownloadStatus(), stPause);
  EXPECT_EQ(&component.Session(), placeholder);
}

TEST(VsDownload, SessionNeedsADownloadComponentAsOwner) {
  TVsComponent other;
  try {
    TVsDownloadClass session(&other);
    FAIL() << "no failure";
  } catch (const EVsDownload& e) {
    EXPECT_STREQ(e.what(), "Essa Classe deve ser instanciada por TVsDownload");
  }
  EXPECT_THROW(TVsDownloadClass(nullptr), EVsDownload);
}

TEST(VsDownload, StatusWriteRaisesOnDownloadStatusOnceWithTheSession) {
  TVsDownload component;
  std::vector<std::pair<TVsDownloadClass*, TDownloadStatus>> seen;
  component.SetOnDownloadStatus([&](TVsDownloadClass* sender, TDownloadStatus status) {
    seen.push_back({sender, status});
  });
  component.SetDownloadStatus(stStop);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first, &component.Session());
  EXPECT_EQ(seen[0].second, stStop);
  EXPECT_EQ(component.Session().DownloadStatus(), stStop);
}

TEST(VsDownload, SettersReachTheCurrentSession) {
  TVsDownload component;
  component.SetDownloadDest(varelo::test::InPrefix("c:\\d\\"));
  component.SetDownloadUrl("http://h/x.zip");
  component.SetDownloadNomeArq("x.zip");
  component.SetSizeRecvBuffer(65536);
  TVsProxy proxy;
  component.SetProxy(&proxy);
  const TVsDownloadClass& session = component.Session();
  EXPECT_EQ(session.DownloadDest(), varelo::test::InPrefix("c:\\d\\"));
  EXPECT_EQ(session.DownloadUrl(), "http://h/x.zip");
  EXPECT_EQ(session.DownloadNomeArq(), "x.zip");
  EXPECT_EQ(session.SizeRecvBuffer(), 65536);
  EXPECT_EQ(session.Proxy(), &proxy);
  // The FTP settings reach only an FTP session.
  TVsFTP ftp;
  component.SetFTP(&ftp);
  EXPECT_EQ(&component.FTP(), &ftp);
}

TEST(VsDownload, FtpProtocolFetchesThroughAnFtpSessionThatReportsAFailedLogon) {
  // protFTP gives the component an FTP session, which logs on to the server of the FTP
  // settings; with nothing listening there the logon fails with its own message and no
  // partial file is made.
  TTempPrefix prefix;
  platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
  TVsDownload component;
  component.SetProtocolo(protFTP);
  component.FTP().FtpHost = "127.0.0.1";
  component.FTP().FtpPort = std::to_string(varelo::test::FreeTcpPort());
  component.FTP().FtpTimeout = 2000;
  component.SetDownloadDest(varelo::test::InPrefix("C:\\d"));
  component.SetDownloadUrl("ftp://127.0.0.1/pub/x.zip");
  try {
    component.StartDownload();
    ADD_FAILURE() << "a logon to a server that is not there succeeded";
  } catch (const EVsDownload& e) {
    EXPECT_STREQ(e.what(), kMsgFtpLogin);
  }
  EXPECT_NE(dynamic_cast<TVsFTPDownload*>(&component.Session()), nullptr);
  EXPECT_FALSE(varelo::test::PathExists(prefix.Drive('c') + "/d/x.zip.part"));
  EXPECT_FALSE(varelo::test::PathExists(prefix.Drive('c') + "/d/x.zip"));
}

TEST(VsDownloadClass, EnsureTrailingBackslash) {
  EXPECT_EQ(TVsDownloadClass::EnsureTrailingBackslash("C:\\d"), "C:\\d\\");
  EXPECT_EQ(TVsDownloadClass::EnsureTrailingBackslash("C:\\d\\"), "C:\\d\\");
  EXPECT_EQ(TVsDownloadClass::EnsureTrailingBackslash("  C:\\d \t"), "C:\\d\\");
  EXPECT_EQ(TVsDownloadClass::EnsureTrailingBackslash(" \r\n"), "");
}

TEST(VsDownloadClass, OpenPartFileCreatesOrResumes) {
  TTempPrefix prefix;
  TVsDownload component;
  component.SetDownloadDest(varelo::test::InPrefix("C:\\d"));
  platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
  {
    TTestSession session(&component);
    session.Open("x.zip.part");
    EXPECT_EQ(session.FilePart(), varelo::test::InPrefix("C:\\d\\x.zip.part"));
    EXPECT_EQ(session.DownloadStatus(), stNone);
    EXPECT_EQ(session.BytesResumed(), 0);
  }
  WriteFileBytes(prefix.Drive('c') + "/d/y.zip.part", std::string(1000, 'a'));
  TTestSession session(&component);
  session.Open("y.zip.part");
  EXPECT_EQ(session.DownloadStatus(), stResume);
  EXPECT_EQ(session.BytesResumed(), 1000);
  session.SetResult(206, 500);
  session.Report(net::HR_ReadCount);
  EXPECT_EQ(session.BytesDownloaded(), 1000);
  EXPECT_EQ(session.BytesToDownload(), 1500);
}

TEST(VsDownloadClass, OpenPartFileFailsWithTheFileSystemsError) {
  TTempPrefix prefix;
  TVsDownload component;
  component.SetDownloadDest(varelo::test::InPrefix("C:\\missing\\folder"));
  TTestSession session(&component);
  try {
    session.Open("x.zip.part");
    FAIL() << "no failure";
  } catch (const EVsDownload& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot create file"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(session.PartFileOpen());
}

TEST(VsDownloadClass, SpeedAndTimeLeft) {
  TTempPrefix prefix;
  TVsDownload component;
  TTestSession session(&component);
  struct TEvent {
    int32_t toDownload, downloaded;
    double speed;
    uint16_t hour, min, sec;
  };
  std::vector<TEvent> events;
  session.OnHookMonitor = [&](net::TBlockingSocket*, int32_t t, int32_t d, double s, uint16_t h,
                              uint16_t m, uint16_t sec) {
    events.push_back({t, d, s, h, m, sec});
  };
  session.SetResult(200, 10240);
  session.Report(net::HR_ReadCount);  // start transition at clock 1000.0
  session.clock += 2.0 / 86400.0;
  session.HandleSocketMonitor(nullptr, false, nullptr, 2048);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_DOUBLE_EQ(events[0].speed, 1.0);
  EXPECT_EQ(events[0].sec, 8);
  EXPECT_EQ(events[0].toDownload, 10240);
  EXPECT_EQ(events[0].downloaded, 2048);
  // Sent data is neither counted nor reported.
  session.HandleSocketMonitor(nullptr, true, nullptr, 100);
  EXPECT_EQ(events.size(), 1u);
  EXPECT_EQ(session.BytesDownloaded(), 2048);
}

TEST(VsDownloadClass, MonitorBeforeTheStartShowsTheTimeOfDay) {
  TVsDownload component;
  TTestSession session(&component);
  uint16_t hour = 0, min = 0;
  session.OnHookMonitor = [&](net::TBlockingSocket*, int32_t, int32_t, double, uint16_t h,
                              uint16_t m, uint16_t) {
    hour = h;
    min = m;
  };
  session.clock = 45000.0 + (13 * 60 + 47) / 1440.0;  // 13:47 of some day
  session.HandleSocketMonitor(nullptr, false, nullptr, 10);
  EXPECT_EQ(hour, 13);
  EXPECT_EQ(min, 47);
}

TEST(VsDownloadClass, ReadCountOnlyStartsOnceAndOnlyWithASize) {
  TVsDownload component;
  TTestSession session(&component);
  int raised = 0;
  session.OnHookStatus = [&](net::TBlockingSocket*, net::THookSocketReason, int32_t, int32_t) {
    ++raised;
  };
  session.SetResult(200, 0);
  session.Report(net::HR_ReadCount);
  EXPECT_EQ(raised, 0);
  EXPECT_EQ(session.DownloadStatus(), stNone);
  session.SetResult(200, 100);
  session.Report(net::HR_ReadCount);
  session.Report(net::HR_ReadCount);
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(session.DownloadStatus(), stDownload);
  session.Report(net::HR_CanRead);
  EXPECT_EQ(raised, 1);
}

TEST(VsDownloadClass, SizesOfTwoGigabytesAndMoreSaturate) {
  TVsDownload component;
  TTestSession session(&component);
  int32_t lastTotal = 0, lastDone = 0;
  session.OnHookStatus = [&](net::TBlockingSocket*, net::THookSocketReason, int32_t t, int32_t d) {
    lastTotal = t;
    lastDone = d;
  };
  session.OnHookMonitor = [&](net::TBlockingSocket*, int32_t t, int32_t d, double, uint16_t,
                              uint16_t, uint16_t) {
    lastTotal = t;
    lastDone = d;
  };
  session.SetResult(200, 5LL * 1024 * 1024 * 1024);
  session.Report(net::HR_ReadCount);
  EXPECT_EQ(lastTotal, INT32_MAX);
  for (int i = 0; i < 40; ++i)
    session.HandleSocketMonitor(nullptr, false, nullptr, 64 * 1024 * 1024);
  EXPECT_EQ(session.BytesDownloaded(), 40LL * 64 * 1024 * 1024);
  EXPECT_EQ(lastDone, INT32_MAX);
  EXPECT_EQ(lastTotal, INT32_MAX);
}

// The close report by status and result code.
TEST(VsDownloadClass, CloseReportFinishesKeepsOrDeletes) {
  struct TCase {
    const char* what;
    TDownloadStatus status;
    int32_t code;
    bool finalExists;
    bool partExists;
  };
  const TCase cases[] = {
      {"200 downloading", stDownload, 200, true, false},
      {"206 downloading", stDownload, 206, true, false},
      {"200 new file", stNone, 200, true, false},
      {"404", stDownload, 404, false, true},
      {"resumed without a size", stResume, 200, false, true},
      {"paused", stPause, 200, false, true},
      {"stopped", stStop, 200, false, false},
  };
  for (const auto& c : cases) {
    TTempPrefix prefix;
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
    WriteFileBytes(prefix.Drive('c') + "/d/x.zip", "old");
    TVsDownload component;
    component.SetDownloadDest(varelo::test::InPrefix("C:\\d\\"));
    TTestSession session(&component);
    int closes = 0;
    session.OnHookStatus = [&](net::TBlockingSocket*, net::THookSocketReason r, int32_t, int32_t) {
      closes += r == net::HR_SocketClose;
    };
    session.Open("x.zip.part");
    session.SetResult(c.code, 0);
    session.Receive("hello ");
    session.Receive("world");
    session.SetDownloadStatus(c.status);
    session.Report(net::HR_SocketClose);
    const std::string dir = prefix.Drive('c') + "/d/";
    EXPECT_EQ(ReadFileBytes(dir + "x.zip") == "hello world", c.finalExists) << c.what;
    EXPECT_EQ(varelo::test::PathExists(dir + "x.zip.part"), c.partExists) << c.what;
    EXPECT_EQ(closes, 1) << c.what;
    // A second close report does nothing harmful.
    session.Report(net::HR_SocketClose);
    EXPECT_EQ(closes, 2) << c.what;
  }
}

TEST(VsDownloadClass, ANameWithPartInsideIsWrittenUnderItsName) {
  TTempPrefix prefix;
  platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
  WriteFileBytes(prefix.Drive('c') + "/d/a.partial.zip.part", "left over");
  TVsDownload component;
  component.SetDownloadDest(varelo::test::InPrefix("C:\\d\\"));
  TTestSession session(&component);
  session.Open("a.partial.zip");
  session.SetResult(200, 0);
  session.Receive("data");
  session.Report(net::HR_SocketClose);
  EXPECT_EQ(ReadFileBytes(prefix.Drive('c') + "/d/a.partial.zip"), "data");
  EXPECT_FALSE(varelo::test::PathExists(prefix.Drive('c') + "/d/a.partial.zip.part"));
}

TEST(VsDownloadClass, FinishingFailsWhenTheTargetCannotBeReplaced) {
  TTempPrefix prefix;
  platform::ForceDirectories(
      varelo::test::InPrefix("C:\\d\\x.zip\\inner"));  // a folder where the file should go
  TVsDownload component;
  component.SetDownloadDest(varelo::test::InPrefix("C:\\d\\"));
  TTestSession session(&component);
  bool raised = false;
  session.OnHookStatus = [&](net::TBlockingSocket*, net::THookSocketReason, int32_t, int32_t) {
    raised = true;
  };
  session.Open("x.zip.part");
  session.SetResult(200, 0);
  session.Receive("data");
  try {
    session.Report(net::HR_SocketClose);
    FAIL() << "no failure";
  } catch (const EVsDownload& e) {
    EXPECT_EQ(std::string(e.what()), "Não foi possível renomear o arquivo: " +
                                         varelo::test::InPrefix("C:\\d\\x.zip.part") + " para " +
                                         varelo::test::InPrefix("C:\\d\\x.zip"));
  }
  EXPECT_FALSE(raised);
  EXPECT_EQ(ReadFileBytes(prefix.Drive('c') + "/d/x.zip.part"), "data");
}

// A file that not even root may delete, for as long as the object lives. On Windows a handle
// held without delete sharing does that: neither deleting nor replacing the file succeeds.
class TUndeletable {
 public:
#ifdef _WIN32
  explicit TUndeletable(std::string path) {
    handle_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    ok_ = handle_ != INVALID_HANDLE_VALUE;
  }
  ~TUndeletable() {
    if (ok_)
      CloseHandle(handle_);
  }
#else
  explicit TUndeletable(std::string path) : path_(std::move(path)) {
    ok_ = std::system(("chattr +i '" + path_ + "' 2>/dev/null").c_str()) == 0;
  }
  ~TUndeletable() {
    std::system(("chattr -i '" + path_ + "' 2>/dev/null").c_str());
  }
#endif
  TUndeletable(const TUndeletable&) = delete;
  TUndeletable& operator=(const TUndeletable&) = delete;
  bool ok() const {
    return ok_;
  }

 private:
#ifdef _WIN32
  HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
  std::string path_;
#endif
  bool ok_ = false;
};

TEST(VsDownloadClass, FilesThatCannotBeDeletedFailWithTheirName) {
  struct TCase {
    const char* what;
    const char* partName;     // opened as the partial file
    const char* undeletable;  // under C:\d
    TDownloadStatus status;
    const char* failed;  // the file the message names
  };
  const TCase cases[] = {
      {"stop", "x.zip.part", "x.zip.part", stStop, "C:\\d\\x.zip.part"},
      {"final file in the way", "x.zip.part", "x.zip", stDownload, "C:\\d\\x.zip"},
      {"left over before a redirect", "x.zip", "x.zip.part", stDownload, "C:\\d\\x.zip.part"},
  };
  for (const auto& c : cases) {
    TTempPrefix prefix;
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
    const std::string dir = prefix.Drive('c') + "/d/";
    WriteFileBytes(dir + c.undeletable, "keep");
    TVsDownload component;
    component.SetDownloadDest(varelo::test::InPrefix("C:\\d\\"));
    TTestSession session(&component);
    session.Open(c.status == stStop ? "other.part" : c.partName);
    TUndeletable lock(dir + c.undeletable);
    if (!lock.ok()) {
      GTEST_SKIP() << "chattr +i is not available here";
    }
    session.SetResult(200, 0);
    session.Receive("data");
    session.SetDownloadStatus(c.status);
    bool raised = false;
    session.OnHookStatus = [&](net::TBlockingSocket*, net::THookSocketReason, int32_t, int32_t) {
      raised = true;
    };
    // A stop deletes the file by its name: let that name be the locked file's.
    if (c.status == stStop)
      session.SetFilePartForTest(varelo::test::InPrefix("C:\\d\\") + std::string(c.undeletable));
    try {
      session.Report(net::HR_SocketClose);
      ADD_FAILURE() << c.what << ": no failure";
    } catch (const EVsDownload& e) {
      EXPECT_EQ(std::string(e.what()),
                "Não foi possível excluir o arquivo: " + varelo::test::InPrefix(c.failed))
          << c.what;
    }
    EXPECT_FALSE(raised) << c.what;
    EXPECT_EQ(ReadFileBytes(dir + c.undeletable), "keep") << c.what;
  }
}

}  // namespace
}  // namespace download
