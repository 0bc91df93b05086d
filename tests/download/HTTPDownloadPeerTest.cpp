#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "download/DownloadErrors.h"
#include "platform/File.h"
#include "tests/download/DownloadRecorder.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Peers.h"

namespace download::test {
namespace {

using varelo::test::PathExists;
using varelo::test::ReadFileBytes;
using varelo::test::TNginx;
using varelo::test::TTempPrefix;
using varelo::test::WriteFileBytes;

// The bytes of a package: a pattern that shows any shifted or repeated block.
std::string PackageBytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 131 + i / 4099) & 0xff);
  return bytes;
}

const char* const kServerLines =
    "    location = /moved { return 301 /pkg.zip; }\n"
    "    location = /found { return 302 /pkg.zip; }\n"
    "    location /gz/ { gzip on; gzip_http_version 1.0; gzip_min_length 1; gzip_types *; }\n";

class HTTPDownloadPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!nginx.Started())
      VARELO_PEER_MISSING("nginx: " + nginx.Log());
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
    package = PackageBytes(3 * 1024 * 1024 + 17);
    WriteFileBytes(nginx.Root() + "/pkg.zip", package);
  }
  std::string Dir() const { return prefix.Drive('c') + "/d/"; }

  TTempPrefix prefix;
  TNginx nginx{kServerLines};
  TDownloadRecorder recorder;
  std::string package;
};

TEST_F(HTTPDownloadPeer, NewFileArrivesUnderItsName) {
  recorder.Fetch(nginx.Url("/pkg.zip"));
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip"), package);
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip.part"));
  EXPECT_EQ(recorder.component.DownloadStatus(), stDownload);
}

TEST_F(HTTPDownloadPeer, EventsOfAPlainTransferInOrder) {
  recorder.Fetch(nginx.Url("/pkg.zip"));
  const std::string size = std::to_string(package.size());
  std::vector<std::string> expected = {"before", "status Connect 0 0",
                                       "status ReadCount " + size + " 0",
                                       "status SocketClose " + size + " ", "after"};
  std::vector<std::string> outline = recorder.Outline();
  ASSERT_EQ(outline.size(), expected.size()) << ::testing::PrintToString(outline);
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(outline[i].substr(0, expected[i].size()), expected[i]) << i;
  // Monitor events come between the connect and the close, and the last one shows the
  // whole package on its way.
  int monitors = recorder.Count("monitor");
  EXPECT_GT(monitors, 3);
  // From the start of the body on, the figures only grow; the close shows the whole.
  int32_t last = -1;
  bool started = false;
  for (const auto& e : recorder.events) {
    started = started || (e.kind == "status" && e.reason == net::HR_ReadCount);
    if (started && (e.kind == "monitor" || e.kind == "status")) {
      EXPECT_GE(e.downloaded, last);
      last = e.downloaded;
    }
  }
  EXPECT_EQ(last, static_cast<int32_t>(package.size()));
  EXPECT_EQ(recorder.component.Session().BytesToDownload(), static_cast<int64_t>(package.size()));
}

TEST_F(HTTPDownloadPeer, PartialFileIsResumedThroughARange) {
  WriteFileBytes(Dir() + "pkg.zip.part", package.substr(0, 5000));
  std::string rangeSent;
  recorder.onBefore = [&](TVsHTTPDownload& s) {
    rangeSent = std::to_string(s.HTTPClient().RangeStart());
  };
  recorder.Fetch(nginx.Url("/pkg.zip"));
  EXPECT_EQ(rangeSent, "5000");
  EXPECT_EQ(recorder.lastResult, 206);
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip"), package);
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip.part"));
  bool sawStart = false;
  for (const auto& e : recorder.events) {
    if (e.kind == "status" && e.reason == net::HR_ReadCount) {
      sawStart = true;
      EXPECT_EQ(e.downloaded, 5000);
      EXPECT_EQ(e.toDownload, static_cast<int32_t>(package.size()));
    }
  }
  EXPECT_TRUE(sawStart);
}

TEST_F(HTTPDownloadPeer, NotFoundKeepsThePartialFileUnfinished) {
  WriteFileBytes(Dir() + "missing.zip.part", "abc");
  {
    // A component of its own: after a failed answer its session holds the partial file until
    // it goes, and on Windows nobody else may read the file meanwhile.
    TDownloadRecorder r;
    r.Fetch(nginx.Url("/missing.zip"));
    EXPECT_EQ(r.lastResult, 404);
    EXPECT_FALSE(PathExists(Dir() + "missing.zip"));
    // The error page is no part of the package: the partial file keeps only its own bytes.
    r.component.SetProtocolo(protHTTP);
    r.component.StartDownload();  // releases the previous session and its file
    EXPECT_EQ(r.Count("status", net::HR_SocketClose), 2);
    EXPECT_EQ(r.Count("after"), 2);
  }
  EXPECT_EQ(ReadFileBytes(Dir() + "missing.zip.part"), "abc");
}

TEST_F(HTTPDownloadPeer, RedirectsToAnotherPathKeepTheFirstName) {
  struct TCase {
    const char* path;
    int code;
  };
  for (const TCase c : {TCase{"/found", 302}, TCase{"/moved", 301}}) {
    TTempPrefix fresh;
    platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
    TDownloadRecorder r;
    r.Fetch(nginx.Url(c.path));
    const std::string dir = fresh.Drive('c') + "/d/";
    // The derived name is the first URL's last segment, kept for the redirected request.
    const std::string name = std::string(c.path).substr(1);
    EXPECT_EQ(ReadFileBytes(dir + name), package) << c.code;
    EXPECT_FALSE(PathExists(dir + name + ".part")) << c.code;
    EXPECT_FALSE(PathExists(dir + "pkg.zip")) << c.code;
    auto& session = static_cast<TVsHTTPDownload&>(r.component.Session());
    EXPECT_EQ(session.Redirects(), 1) << c.code;
    EXPECT_EQ(r.Count("before"), 2) << c.code;
    EXPECT_EQ(r.Count("after"), 1) << c.code;
  }
}

TEST_F(HTTPDownloadPeer, CallersNameIsKeptThroughARedirect) {
  recorder.component.SetDownloadNomeArq("pkg.zip");
  recorder.Fetch(nginx.Url("/found"));
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip"), package);
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip.part"));
}

TEST_F(HTTPDownloadPeer, BodyWithoutALengthIsFinishedAtTheClose) {
  platform::ForceDirectories(varelo::test::InPrefix("C:\\d"));
  std::filesystem::create_directories(nginx.Root() + "/gz");
  const std::string text(200000, 'z');
  WriteFileBytes(nginx.Root() + "/gz/page.txt", text);
  bool noLength = false;
  recorder.onBefore = [&](TVsHTTPDownload& s) {
    s.HTTPClient().Headers().push_back("Accept-Encoding: gzip");
  };
  recorder.component.SetOnAfterDownload([&](TVsDownloadClass* s) {
    auto& client = static_cast<TVsHTTPDownload*>(s)->HTTPClient();
    noLength = client.TransferEncoding() == net::TE_UNKNOWN && client.ResultCode() == 200;
  });
  recorder.Fetch(nginx.Url("/gz/page.txt"));
  EXPECT_TRUE(noLength);
  EXPECT_EQ(recorder.Count("status", net::HR_ReadCount), 0);
  const std::string got = ReadFileBytes(Dir() + "page.txt");
  EXPECT_FALSE(got.empty());
  EXPECT_NE(got, text);  // compressed: what the server sent, byte for byte
  EXPECT_EQ(recorder.component.Session().DownloadStatus(), stNone);
}

TEST_F(HTTPDownloadPeer, PauseFromTheMonitorKeepsThePartialFileForAResume) {
  recorder.onMonitor = [&](const TEvent& e) {
    if (e.downloaded > 1024 * 1024 && recorder.component.DownloadStatus() != stPause)
      recorder.component.SetDownloadStatus(stPause);
  };
  recorder.Fetch(nginx.Url("/pkg.zip"));
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip"));
  const std::string part = ReadFileBytes(Dir() + "pkg.zip.part");
  EXPECT_GT(part.size(), 0u);
  EXPECT_LT(part.size(), package.size());
  EXPECT_EQ(part, package.substr(0, part.size()));
  EXPECT_EQ(recorder.Count("downloadstatus"), 1);
  EXPECT_EQ(recorder.Count("after"), 1);
  // A new start with the same settings continues the file.
  recorder.onMonitor = nullptr;
  recorder.component.StartDownload();
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip"), package);
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip.part"));
}

TEST_F(HTTPDownloadPeer, StopFromTheMonitorDeletesThePartialFile) {
  recorder.onMonitor = [&](const TEvent& e) {
    if (e.downloaded > 1024 * 1024)
      recorder.component.SetDownloadStatus(stStop);
  };
  recorder.Fetch(nginx.Url("/pkg.zip"));
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip"));
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip.part"));
  EXPECT_EQ(recorder.Count("after"), 1);
}

TEST_F(HTTPDownloadPeer, DownloadStatusEventOncePerWrite) {
  int writes = 0;
  recorder.onMonitor = [&](const TEvent&) {
    if (writes < 3) {
      recorder.component.SetDownloadStatus(stDownload);
      ++writes;
    }
  };
  recorder.Fetch(nginx.Url("/pkg.zip"));
  EXPECT_EQ(recorder.Count("downloadstatus"), 3);
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip"), package);
}

TEST_F(HTTPDownloadPeer, NoServerRaisesNothingAndFinishesNothing) {
  recorder.Fetch("http://127.0.0.1:1/pkg.zip");
  EXPECT_EQ(recorder.Count("after"), 1);
  EXPECT_FALSE(PathExists(Dir() + "pkg.zip"));
  EXPECT_TRUE(PathExists(Dir() + "pkg.zip.part"));
}

// A seek past 2 GiB: long has 32 bits on Windows.
int Seek(FILE* f, int64_t at) {
#ifdef _WIN32
  return _fseeki64(f, at, SEEK_SET);
#else
  return fseeko(f, static_cast<off_t>(at), SEEK_SET);
#endif
}

TEST_F(HTTPDownloadPeer, PackageOfMoreThanTwoGigabytesArrivesWhole) {
  // A sparse file on the server's side, with marks that show any misplaced block.
  const int64_t size = (2LL << 30) + 12345;
  {
    std::string path = nginx.Root() + "/big.bin";
    WriteFileBytes(path, "");
    std::filesystem::resize_file(path, size);
    FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    for (int64_t at : {int64_t{0}, int64_t{1} << 31, size - 8}) {
      ASSERT_EQ(Seek(f, at), 0);
      std::fwrite("MARK1234", 1, 8, f);
    }
    std::fclose(f);
  }
  recorder.Fetch(nginx.Url("/big.bin"));
  int32_t lastDone = 0;
  bool backwards = false;
  bool started = false;
  for (const auto& e : recorder.events) {
    started = started || (e.kind == "status" && e.reason == net::HR_ReadCount);
    if (started && (e.kind == "monitor" || e.kind == "status")) {
      backwards = backwards || e.downloaded < lastDone || e.toDownload < 0;
      lastDone = e.downloaded;
    }
  }
  const std::string target = Dir() + "big.bin";
  ASSERT_TRUE(PathExists(target));
  EXPECT_EQ(static_cast<int64_t>(std::filesystem::file_size(target)), size);
  FILE* f = std::fopen(target.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  for (int64_t at : {int64_t{0}, int64_t{1} << 31, size - 8}) {
    char mark[9] = {};
    ASSERT_EQ(Seek(f, at), 0);
    ASSERT_EQ(std::fread(mark, 1, 8, f), 8u);
    EXPECT_STREQ(mark, "MARK1234") << at;
  }
  std::fclose(f);
  EXPECT_FALSE(backwards);
  EXPECT_EQ(lastDone, INT32_MAX);
  EXPECT_EQ(recorder.component.Session().BytesToDownload(), size);
}

}  // namespace
}  // namespace download::test

namespace download::test {
namespace {

TEST_F(HTTPDownloadPeer, HandlerChangedDuringATransferTakesEffectAtOnce) {
  int first = 0, second = 0;
  recorder.component.SetOnHookMonitor(
      [&](net::TBlockingSocket*, int32_t, int32_t, double, uint16_t, uint16_t, uint16_t) {
        if (++first == 3) {
          recorder.component.SetOnHookMonitor([&](net::TBlockingSocket*, int32_t, int32_t, double,
                                                  uint16_t, uint16_t, uint16_t) { ++second; });
        }
      });
  recorder.Fetch(nginx.Url("/pkg.zip"));
  EXPECT_EQ(first, 3);
  EXPECT_GT(second, 0);
  EXPECT_EQ(ReadFileBytes(Dir() + "pkg.zip"), package);
}

}  // namespace
}  // namespace download::test
