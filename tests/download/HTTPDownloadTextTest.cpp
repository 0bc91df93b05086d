#include "download/HTTPDownloadText.h"

#include <gtest/gtest.h>

namespace download {
namespace {

TEST(HTTPDownloadText, NameFromUrlTakesTheLastPathSegment) {
  struct TCase {
    const char* url;
    const char* name;
  };
  const TCase cases[] = {
      {"http://h/dir/pkg.zip", "pkg.zip"},
      {"http://h:8087/get.php?id=1", "get.php"},
      {"http://h/dir/", ""},
      {"http://h", ""},
      {"http://h/a/pkg.zip#part", "pkg.zip"},
      {"http://h/a/..", ""},
      {"http://h/a/.", ""},
      {"http://h/a/CON", ""},
      {"http://h/a/b%2F..%2Fx", "b%2F..%2Fx"},
      {"http://h/a:b", "b"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(NameFromUrl(c.url), c.name) << c.url;
}

TEST(HTTPDownloadText, NameFromProbeHeadersRefusesHostileNames) {
  struct TCase {
    const char* line;
    const char* name;
  };
  const TCase cases[] = {
      {"Content-Disposition: attachment; filename=\"pkg.zip\"", "pkg.zip"},
      {"Content-Disposition: attachment; filename=pkg.zip; x=1", "pkg.zip"},
      {"Content-Disposition: attachment; filename=\"pkg.zip\"; size=10", "pkg.zip"},
      {"Content-Disposition: attachment; filename=\"a;b=c.zip\"; size=10", "a;b=c.zip"},
      {"Content-Disposition: attachment; x; filename=pkg.zip", "pkg.zip"},
      {"Content-Disposition: attachment; note=\"filename=evil.exe\"; filename=pkg.zip", "pkg.zip"},
      {"Content-Disposition: attachment; filename*=UTF-8''evil.exe", ""},
      {"Content-Disposition: attachment; filename=\"say \\\"hi\\\".zip\"", ""},
      {"Content-Disposition: attachment; filename=\"back\\\\slash.zip\"", "slash.zip"},
      {"content-disposition:attachment;filename=  pkg.zip  ", "pkg.zip"},
      {"Content-Disposition: attachment; filename", ""},
      {"Content-Disposition: filename=pkg.zip", "pkg.zip"},
      {"Content-Disposition: x=\"a;b\"; filename=pkg.zip", "pkg.zip"},
      {"X-Note: filename=autorun.inf", ""},
      {"Set-Cookie: filename=evil.exe", ""},
      {"Content-Dispositions: attachment; filename=evil.exe", ""},
      {"Content-Disposition: attachment; filename=\"../../etc/passwd\"", "passwd"},
      {"Content-Disposition: attachment; filename=..\\..\\Windows\\win.ini", "win.ini"},
      {"Content-Disposition: attachment; filename=\"\"", ""},
      {"Content-Disposition: attachment; filename=", ""},
      {"Content-Disposition: attachment; filename=\"", ""},
      {"Content-Disposition: attachment; filename=.", ""},
      {"Content-Disposition: attachment; filename=..", ""},
      {"Content-Disposition: attachment; filename=\"dir/..\"", ""},
      {"Content-Disposition: attachment; filename=C:evil.exe", ""},
      {"Content-Disposition: attachment; filename=\"C:\\evil.exe\"", "evil.exe"},
      {"Content-Disposition: attachment; filename=a\tb", ""},
      {"Content-Disposition: attachment; filename=a\x01.zip", ""},
      {"Content-Disposition: attachment; filename=NUL", ""},
      {"Content-Disposition: attachment; filename=con.txt", ""},
      {"Content-Disposition: attachment; filename=Com1.zip", ""},
      {"Content-Disposition: attachment; filename=lpt9", ""},
      {"Content-Disposition: attachment; filename=COM10.zip", "COM10.zip"},
      {"Content-Disposition: attachment; filename=pkg.zip.", ""},
      {"Content-Disposition: attachment; filename=a|b", ""},
      {"Content-Disposition: attachment; filename=stream.zip:hidden", ""},
      {"Content-Disposition: attachment; FILENAME=pkg.zip", "pkg.zip"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> headers = {"HTTP/1.1 206 Partial Content", c.line, ""};
    EXPECT_EQ(NameFromProbeHeaders(headers), c.name) << c.line;
  }
  const std::string longName(300, 'a');
  EXPECT_EQ(NameFromProbeHeaders({"X: filename=" + longName}), "");
}

TEST(HTTPDownloadText, NameFromProbeHeadersTakesTheFirstLineWithAName) {
  // Only Content-Disposition names the file: a cookie or a note before it does not.
  std::vector<std::string> headers = {"HTTP/1.0 200 OK",
                                      "X-A: filename=first.zip",
                                      "Set-Cookie: filename=cookie.zip",
                                      "Content-Disposition: inline",
                                      "Content-Disposition: attachment; filename=second.zip",
                                      "Content-Disposition: attachment; filename=third.zip",
                                      ""};
  EXPECT_EQ(NameFromProbeHeaders(headers), "second.zip");
  EXPECT_EQ(NameFromProbeHeaders({"HTTP/1.0 200 OK", "Content-Type: text/html", ""}), "");
}

TEST(HTTPDownloadText, FindHeaderIgnoresTheCaseOfTheName) {
  std::vector<std::string> headers = {"HTTP/1.1 302 Found", "location:   /new  ",
                                      "Location: /second", ""};
  std::string value;
  ASSERT_TRUE(FindHeader(headers, "Location", value));
  EXPECT_EQ(value, "/new");
  EXPECT_FALSE(FindHeader(headers, "Content-Range", value));
}

TEST(HTTPDownloadText, ParseContentRange) {
  struct TCase {
    const char* text;
    bool ok;
    int64_t first, last, total;
  };
  const TCase cases[] = {
      {"bytes 5000-9999/10000", true, 5000, 9999, 10000},
      {"bytes 0-0/1", true, 0, 0, 1},
      {"bytes */10000", true, -1, -1, 10000},
      {"bytes 10-20/*", true, 10, 20, -1},
      {"Bytes 1-2/3", true, 1, 2, 3},
      {"bytes 20-10/100", false, 0, 0, 0},
      {"bytes 10-100/100", false, 0, 0, 0},
      {"bytes -1-5/10", false, 0, 0, 0},
      {"bytes 1-5", false, 0, 0, 0},
      {"bytes a-b/c", false, 0, 0, 0},
      {"bytes */*", false, 0, 0, 0},
      {"items 1-2/3", false, 0, 0, 0},
      {"bytes 99999999999999999999-1/2", false, 0, 0, 0},
      {"", false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    int64_t first = 0, last = 0, total = 0;
    ASSERT_EQ(ParseContentRange(c.text, first, last, total), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(first, c.first) << c.text;
      EXPECT_EQ(last, c.last) << c.text;
      EXPECT_EQ(total, c.total) << c.text;
    }
  }
}

TEST(HTTPDownloadText, ResolveLocationAgainstTheRequestedUrl) {
  struct TCase {
    const char* requested;
    const char* location;
    const char* resolved;
  };
  const TCase cases[] = {
      {"http://h:8087/a/b.zip", "http://mirror/pkg.zip", "http://mirror/pkg.zip"},
      {"http://h:8087/a/b.zip", "HTTP://Mirror/pkg.zip", "HTTP://Mirror/pkg.zip"},
      {"http://h:8087/a/b.zip", "/c/pkg.zip", "http://h:8087/c/pkg.zip"},
      {"http://h/a/b.zip", "pkg.zip", "http://h/a/pkg.zip"},
      {"http://h/a/b.zip", "../pkg.zip", "http://h/pkg.zip"},
      {"http://h/a/b.zip", "../../../x/./pkg.zip", "http://h/x/pkg.zip"},
      {"http://h/a/b.zip", "//other:81/p.zip", "http://other:81/p.zip"},
      {"http://h/a/b.zip?x=1", "?y=2", "http://h/a/b.zip?y=2"},
      {"https://h/a/b.zip", "/p.zip", "https://h/p.zip"},
      {"http://h/a/b.zip", "", ""},
      {"http://h/a/b.zip", "/with space", ""},
      {"http://h/a/b.zip", "/c\x01tl", ""},
      {"http://h/a/b.zip", "ftp://h/x.zip", ""},
      {"http://h/a/b.zip", "file:///etc/passwd", ""},
      {"http://h/a\x17/b.zip", "pkg.zip", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ResolveLocation(c.requested, c.location), c.resolved) << c.location;
}

TEST(HTTPDownloadText, SafeFileNames) {
  EXPECT_TRUE(IsSafeFileName("VareloSoftInstalacao.zip"));
  EXPECT_TRUE(IsSafeFileName("Ação.zip"));
  EXPECT_FALSE(IsSafeFileName("aux.tar.gz"));
  EXPECT_FALSE(IsSafeFileName("nul "));
  EXPECT_FALSE(IsSafeFileName("a<b"));
}

TEST(HTTPDownloadText, DowngradeIsAnyStepAwayFromHttps) {
  struct TCase {
    const char* requested;
    const char* target;
    bool downgrade;
  };
  const TCase cases[] = {
      {"https://h/a.zip", "http://h/a.zip", true},
      {"HTTPS://h/a.zip", "HTTP://h:443/a.zip", true},
      {"https://h/a.zip", "ftp://h/a.zip", true},
      {"https://h/a.zip", "https://other/a.zip", false},
      {"https://h/a.zip", "HTTPS://h/b.zip", false},
      {"http://h/a.zip", "https://h/a.zip", false},
      {"http://h/a.zip", "http://h/b.zip", false},
      {" https://h/a.zip", "http://h/a.zip", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsDowngrade(c.requested, c.target), c.downgrade) << c.requested << " " << c.target;
}

}  // namespace
}  // namespace download
