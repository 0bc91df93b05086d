// The real installer window under a virtual display: found by its caption, measured, and
// photographed into <build>/artifacts/instalador.png (as it opens) and
// instalador-estacao.png (workstation option, cloud page, alias typed).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/e2e/VirtualDisplay.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace {

TEST(InstallerWindow, OpensWithItsCaptionAtTheFixedSizeUnderXvfb) {
  for (const char* tool : {"Xvfb", "xdotool", "import"}) {
    if (!varelo::test::HaveProgram(tool))
      VARELO_PEER_MISSING(tool << " missing");
  }
  // A display of the test's own: the server chooses a free number itself, so tests started
  // together never race for one.
  varelo::e2e::TVirtualDisplay display;
  ASSERT_TRUE(display.Started()) << display.Log();
  varelo::test::TTempPrefix prefix;
  std::filesystem::create_directories(VARELO_ARTIFACTS);
  const std::string shot = std::string(VARELO_ARTIFACTS) + "/instalador.png";
  const std::string shot2 = std::string(VARELO_ARTIFACTS) + "/instalador-estacao.png";
  std::filesystem::remove(shot);
  std::filesystem::remove(shot2);
  std::string out;
  const int code = varelo::test::RunCommand(
      {"/bin/sh", VARELO_E2E_SCRIPT, VARELO_INSTALADOR, shot, shot2}, &out, 60000);
  ASSERT_EQ(code, 0) << out;
  EXPECT_NE(out.find("Geometry: 618x413"), std::string::npos) << out;
  // Centred on the 1024 x 768 screen, since no window manager places it.
  EXPECT_NE(out.find("Position: 203,177"), std::string::npos) << out;
  EXPECT_NE(out.find("SHOT 0"), std::string::npos) << out;
  EXPECT_NE(out.find("SHOT2 0"), std::string::npos) << out;
  EXPECT_GT(std::filesystem::file_size(shot), 10000u);
  EXPECT_GT(std::filesystem::file_size(shot2), 10000u);
  std::cout << "screenshots: " << shot << " " << shot2 << "\n";
}

}  // namespace
