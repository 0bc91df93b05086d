// Text values under HKEY_CURRENT_USER as the desktop lookup uses them, in every build: the
// user.reg store of a temporary prefix (Linux) or the system's registry (Windows, under a key of
// the test's own that is removed afterwards).
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/Registry.h"
#include "tests/support/TempDir.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// A key path of the test's own under Software, gone again when the object goes away.
class TTestKey {
 public:
  TTestKey()
      : path_("Software\\VareloTeste\\Chave" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count())) {}
  ~TTestKey() {
#ifdef _WIN32
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\VareloTeste");
#endif
  }
  const std::string& Path() const {
    return path_;
  }

 private:
#ifndef _WIN32
  varelo::test::TTempPrefix prefix_;
#endif
  std::string path_;
};

TEST(RegistryValues, OpenKeyCreatesOnlyWhenAllowed) {
  TTestKey key;
  platform::TRegistry reg;
  EXPECT_FALSE(reg.OpenKey(key.Path(), false));
  EXPECT_EQ(reg.ReadString("Desktop"), "");
  EXPECT_FALSE(reg.WriteString("Desktop", "x"));
  ASSERT_TRUE(reg.OpenKey(key.Path(), true));
  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKey(key.Path(), false));
  // Opening again, with creation allowed, keeps what the key holds.
  ASSERT_TRUE(reg.WriteString("Desktop", "C:\\Mesa"));
  ASSERT_TRUE(reg.OpenKey(key.Path(), true));
  EXPECT_EQ(reg.ReadString("Desktop"), "C:\\Mesa");
}

TEST(RegistryValues, ValuesAreWrittenReadAndReplacedWithoutRegardToCase) {
  TTestKey key;
  platform::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(key.Path() + "\\Explorer", true));
  const std::string desktop = "C:\\users\\José\\Área de Trabalho 日本";
  ASSERT_TRUE(reg.WriteString("Desktop", desktop));
  ASSERT_TRUE(reg.WriteString("Vazio", ""));
  EXPECT_EQ(reg.ReadString("desktop"), desktop);
  EXPECT_EQ(reg.ReadString("Vazio"), "");
  ASSERT_TRUE(reg.WriteString("DESKTOP", "D:\\Outra"));
  EXPECT_EQ(reg.ReadString("Desktop"), "D:\\Outra");
  EXPECT_EQ(reg.ReadString("NaoExiste"), "");
  // Another object sees the value once it opens the key.
  platform::TRegistry other;
  ASSERT_TRUE(other.OpenKey(key.Path(), false));
  ASSERT_TRUE(other.OpenSubKey("explorer"));
  EXPECT_EQ(other.ReadString("Desktop"), "D:\\Outra");
}

TEST(RegistryValues, MissingSubKeyLeavesTheOpenKeyAndClosedKeyReadsNothing) {
  TTestKey key;
  platform::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(key.Path(), true));
  ASSERT_TRUE(reg.WriteString("Desktop", "C:\\Mesa"));
  EXPECT_FALSE(reg.OpenSubKey("Shell Folders"));
  EXPECT_EQ(reg.ReadString("Desktop"), "C:\\Mesa");
  reg.CloseKey();
  EXPECT_EQ(reg.ReadString("Desktop"), "");
  EXPECT_FALSE(reg.OpenSubKey("Shell Folders"));
  EXPECT_FALSE(reg.WriteString("Desktop", "x"));
}

TEST(RegistryValues, NulInsideANameOrValueIsRefused) {
  TTestKey key;
  platform::TRegistry reg;
  EXPECT_FALSE(reg.OpenKey(key.Path() + std::string("\0x", 2), true));
  ASSERT_TRUE(reg.OpenKey(key.Path(), true));
  ASSERT_TRUE(reg.WriteString("Desktop", "C:\\Mesa"));
  // Cut at the NUL, each of these would reach the value "Desktop" or store a shorter text.
  EXPECT_FALSE(reg.WriteString(std::string("Desktop\0x", 9), "D:\\Outra"));
  EXPECT_FALSE(reg.WriteString("Desktop", std::string("D:\\\0Outra", 9)));
  EXPECT_EQ(reg.ReadString(std::string("Desktop\0x", 9)), "");
  EXPECT_EQ(reg.ReadString("Desktop"), "C:\\Mesa");
}

}  // namespace
