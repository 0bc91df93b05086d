// The window's progress display: the bar and the status text while a package is fetched.
#include <gtest/gtest.h>

#include <locale.h>
#include <cstdlib>
#include <optional>

#include "installer/ProgressText.h"
#include "tests/installer/FormFixture.h"
#include "tests/support/MissingPeer.h"

namespace installer {
namespace {

TEST(ProgressText, NumberFormats) {
  struct TCase {
    int32_t total, done;
    double speed;
    uint16_t sec;
    char decimal, thousand;
    const char* label;
  };
  const TCase cases[] = {
      {10485760, 1572864, 153.25, 59, '.', ',', "1,536 / 10,240 KB  -  153.25 KB/s  -  00:00:59"},
      {10485760, 1572864, 153.25, 59, ',', '.', "1.536 / 10.240 KB  -  153,25 KB/s  -  00:00:59"},
      {0, 0, 0.0, 0, '.', ',', "0 / 0 KB  -  0.00 KB/s  -  00:00:00"},
      {0, 0, 0.0, 0, ',', '.', "0 / 0 KB  -  0,00 KB/s  -  00:00:00"},
      {1023, 512, 0.125, 3661, '.', ',', "1 / 1 KB  -  0.13 KB/s  -  01:01:01"},
      {1048575, 511, 12345.675, 65535, '.', ',', "0 / 1,024 KB  -  12345.68 KB/s  -  18:12:15"},
      {INT32_MAX, INT32_MAX, 1e6, 1, ',', '.',
       "2.097.152 / 2.097.152 KB  -  1000000,00 KB/s  -  00:00:01"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgressLabel(c.total, c.done, c.speed, c.sec, c.decimal, c.thousand), c.label);
  }
  EXPECT_EQ(SizeText(0.5, ','), "1");
  EXPECT_EQ(SizeText(0.49, ','), "0");
  EXPECT_EQ(SpeedText(0.005, '.'), "0.01 KB/s");
  EXPECT_EQ(TimeText(3600 * 18), "18:00:00");
}

class ProgressDisplay : public ::testing::Test {
 protected:
  void TearDown() override {
    if (saved_)
      setenv("LC_ALL", saved_->c_str(), 1);
    else
      unsetenv("LC_ALL");
  }
  // The user's regional settings, as the process environment gives them.
  bool UseLocale(const char* name) {
    if (const char* now = std::getenv("LC_ALL"); now && !saved_)
      saved_ = std::string(now);
    setenv("LC_ALL", name, 1);
    locale_t loc = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0));
    if (!loc)
      return false;
    freelocale(loc);
    return true;
  }
  void Monitor(int32_t total, int32_t done, double speed, uint16_t sec) {
    h.form.fVsDownloadHookMonitor(nullptr, total, done, speed, 7, 8, sec);
  }
  void Status(net::THookSocketReason reason, int32_t total, int32_t done) {
    h.form.fVsDownloadHookStatus(nullptr, reason, total, done);
  }

  TFormHarness h;
  std::optional<std::string> saved_;
};

TEST_F(ProgressDisplay, MonitorTextUnderABrazilianAndAnEnglishLocale) {
  struct TCase {
    const char* locale;
    const char* label;
  };
  for (const TCase c : {TCase{"pt_BR.UTF-8", "1.536 / 10.240 KB  -  153,25 KB/s  -  00:00:59"},
                        TCase{"en_US.UTF-8", "1,536 / 10,240 KB  -  153.25 KB/s  -  00:00:59"}}) {
    if (!UseLocale(c.locale))
      VARELO_PEER_MISSING(std::string("locale ") + c.locale + " (locales-all)");
    Status(net::HR_ReadCount, 10485760, 0);
    const int before = h.service.processed;
    Monitor(10485760, 1572864, 153.25, 59);
    EXPECT_EQ(h.form.lConnectionInfo.Caption(), c.label) << c.locale;
    EXPECT_EQ(h.form.ProgressBar1.Position(), 1572864);
    EXPECT_EQ(h.service.processed, before + 1);
  }
}

TEST_F(ProgressDisplay, StatusEventsDriveTheBarAndTheText) {
  struct TCase {
    const char* what;
    net::THookSocketReason reason;
    download::TDownloadStatus status;
    int32_t position;
    const char* caption;
  };
  const TCase cases[] = {
      {"close after a stop", net::HR_SocketClose, download::stStop, 0, "Download Encerrado..."},
      {"close of a transfer", net::HR_SocketClose, download::stDownload, 500,
       "Download Finalizado."},
      {"close after a pause", net::HR_SocketClose, download::stPause, 500, "Download Pausado..."},
      {"close while resuming", net::HR_SocketClose, download::stResume, 500, "before"},
      {"connect", net::HR_Connect, download::stDownload, 0, "before"},
      {"other reasons", net::HR_CanRead, download::stDownload, 500, "before"},
      {"writes", net::HR_WriteCount, download::stStop, 500, "before"},
  };
  for (const auto& c : cases) {
    Status(net::HR_ReadCount, 1000, 500);
    h.form.lConnectionInfo.SetCaption("before");
    h.form.fVsDownload.SetDownloadStatus(c.status);
    Status(c.reason, 77, 66);
    EXPECT_EQ(h.form.ProgressBar1.Position(), c.position) << c.what;
    EXPECT_EQ(h.form.ProgressBar1.Max(), 1000) << c.what;
    EXPECT_EQ(h.form.lConnectionInfo.Caption(), c.caption) << c.what;
  }
  Status(net::HR_ReadCount, 4096, 1024);
  EXPECT_EQ(h.form.ProgressBar1.Max(), 4096);
  EXPECT_EQ(h.form.ProgressBar1.Position(), 1024);
}

TEST_F(ProgressDisplay, DownloadComponentIsConfiguredAsTheLayoutSays) {
  const auto& d = h.form.fVsDownload;
  EXPECT_EQ(d.Protocolo(), download::protHTTP);
  EXPECT_EQ(d.SizeRecvBuffer(), 65536);
  EXPECT_EQ(d.Proxy().ProxyTimeout, 90000);
  EXPECT_EQ(d.FTP().FtpTimeout, 300000);
  EXPECT_TRUE(d.Proxy().ProxyHost.empty());
  EXPECT_TRUE(d.DownloadNomeArq().empty());
  EXPECT_TRUE(d.OnAfterDownload() && d.OnHookStatus() && d.OnHookMonitor());
  EXPECT_FALSE(d.OnBeforeDownload());
}

}  // namespace
}  // namespace installer
