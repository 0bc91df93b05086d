// The registry file's text, as Wine writes user.reg: escapes both ways, keys known only
// through their subkeys, values over several lines, and lines left byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "platform/File.h"
#include "platform/Registry.h"
#include "platform/posix/RegistryFile.h"
#include "tests/support/TempDir.h"

namespace {

using platform::TRegistryFile;
using varelo::test::ReadFileBytes;
using varelo::test::TTempPrefix;
using varelo::test::WriteFileBytes;

constexpr const char* kHeader =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S\n\n";
constexpr const char* kShellFoldersHeader =
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1\n";
constexpr const char* kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct TEscape {
  std::string written;  // between the quotes in user.reg
  std::string text;     // the value, UTF-8
};

// Both directions of each escape Wine writes, as its own writer spells them.
const TEscape kWineEscapes[] = {
    {"C:\\\\users\\\\Jo\\xe3o\\\\Desktop", "C:\\users\\João\\Desktop"},
    {"\\x00e3a", "ãa"},  // four digits when a hex digit follows
    {"\\x65e5\\x672c", "日本"},
    {"\\xd83d\\xde00", "😀"},  // each UTF-16 code unit of its own
    {"a \\\"b\\\"", "a \"b\""},
    {"l1\\nl2\\r\\tx", "l1\nl2\r\tx"},
    {"\\0", std::string(1, '\0')},
    {"\\0007", std::string("\0"
                           "7",
                           2)},  // octal in three digits before an octal digit
    {"\\e\\a\\b\\f\\v", "\x1B\a\b\f\v"},
    {"\\1", "\x01"},
    {"\x7F", "\x7F"},
    {"[x]", "[x]"},
};

TEST(RegistryFile, ReadsAndWritesEveryEscapeAsWineDoes) {
  for (const TEscape& e : kWineEscapes) {
    SCOPED_TRACE(e.written);
    EXPECT_EQ(platform::UnescapeRegistryText(e.written), e.text);
    EXPECT_EQ(platform::EscapeRegistryText(e.text, "\"\""), e.written);
    TRegistryFile file =
        TRegistryFile::Parse(std::string(kShellFoldersHeader) + "\"V\"=\"" + e.written + "\"\n");
    EXPECT_EQ(file.ReadString(kShellFolders, "v"), e.text);
    file.WriteString(kShellFolders, "W", e.text);
    EXPECT_EQ(file.Bytes(), std::string(kShellFoldersHeader) + "\"V\"=\"" + e.written +
                                "\"\n\"W\"=\"" + e.written + "\"\n");
  }
}

TEST(RegistryFile, ReadsEscapesWineAcceptsButDoesNotWrite) {
  const TEscape cases[] = {
      {"\\x41\\X", "AX"},  // a short \x, and a backslash before any other character
      {"\\xz", "xz"},      // \x without digits is the letter itself
      {"\\x41424",
       "\u4142"
       "4"},  // at most four digits: U+4142, then "4"
      {"\\101\\7777",
       "A\u01FF"
       "7"},                       // octal, at most three digits
      {"D:\\\\Área", "D:\\Área"},  // raw UTF-8 bytes
      {"fim\\", "fim\\"},          // a backslash at the very end
  };
  for (const TEscape& e : cases) {
    SCOPED_TRACE(e.written);
    EXPECT_EQ(platform::UnescapeRegistryText(e.written), e.text);
  }
}

TEST(RegistryFile, KeyKnownOnlyThroughItsSubkeysIsFoundAndGetsOneHeader) {
  const std::string text =
      std::string(kHeader) + kShellFoldersHeader + "\"Desktop\"=\"C:\\\\d\"\n\n";
  TRegistryFile file = TRegistryFile::Parse(text);
  EXPECT_TRUE(file.HasKey(kExplorer));
  EXPECT_TRUE(file.HasKey("software\\MICROSOFT"));
  EXPECT_FALSE(file.HasKey("Software\\Micro"));
  EXPECT_FALSE(file.ReadString(kExplorer, "x"));
  file.AddKey(kExplorer);
  EXPECT_EQ(file.Bytes(), text);
  file.WriteString(kExplorer, "x", "1");
  file.WriteString(kExplorer, "y", "2");
  const std::string after = file.Bytes();
  EXPECT_EQ(after.substr(0, text.size()), text);
  const std::string header = "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer] ";
  ASSERT_NE(after.find(header), std::string::npos);
  EXPECT_EQ(after.find(header), after.rfind(header));
  EXPECT_NE(after.find("\"x\"=\"1\"\n\"y\"=\"2\"\n"), std::string::npos) << after;
}

TEST(RegistryFile, ReplacingAValueOverSeveralLinesReplacesThemAllAndLeavesTheRest) {
  const std::string before = std::string(kHeader) +
                             "[Control Panel\\\\Desktop] 1\r\n"
                             "\"Blob\"=hex:01,02,03,\\\r\n  04,05\r\n"
                             "linha que ninguém entende ]]] \xFF\r\n"
                             "\"After\"=\"x\"\r\n" +
                             kShellFoldersHeader +
                             "\"Big\"=hex(7):41,00,\\\n  42,00,\\\n  00,00\n" +
                             "#time=1d\n\"Tail\"=dword:00000001";
  TRegistryFile file = TRegistryFile::Parse(before);
  EXPECT_EQ(file.Bytes(), before);
  file.WriteString("control panel\\desktop", "BLOB", "texto");
  file.WriteString(kShellFolders, "Big", "C:\\x");
  EXPECT_EQ(file.Bytes(), std::string(kHeader) +
                              "[Control Panel\\\\Desktop] 1\r\n"
                              "\"BLOB\"=\"texto\"\r\n"
                              "linha que ninguém entende ]]] \xFF\r\n"
                              "\"After\"=\"x\"\r\n" +
                              kShellFoldersHeader + "\"Big\"=\"C:\\\\x\"\n" +
                              "#time=1d\n\"Tail\"=dword:00000001");
  EXPECT_EQ(file.ReadString(kShellFolders, "Tail"), std::nullopt);  // not text
}

// Broken and hostile files: each reads what it can, writes nothing by itself, and comes back
// byte for byte.
TEST(RegistryFile, BrokenFilesComeBackByteForByte) {
  const std::string cases[] = {
      "",
      "\n\n\n",
      "[",
      "[unterminated\n\"a\"=\"b\"\n",
      "[k\\] 1\n\"a\"=\"b\"\n",
      "[k] 1\n\"a\"=\"unterminated\n\"b\"=\"c\"\n",
      "[k] 1\n\"a\"=\\",
      "[k] 1\n\"a\"=\"\\x",
      "[k] 1\n@=\"default\"\n@\n=\"\"\n\"\"=\"\"\n",
      std::string("[k] 1\n\"a\0\"=\"b\0c\"\n", 17),
      "[k] 1\n\"a\"=str(2):\n\"b\"=str(2):\"x",
      "\\\n\\\n\\",
      "[k]]]] 1\n[[[\n]\n",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(testing::PrintToString(text));
    const TRegistryFile file = TRegistryFile::Parse(text);
    EXPECT_EQ(file.Bytes(), text);
    file.ReadString("k", "a");
    file.HasKey("k");
  }
  const TRegistryFile file = TRegistryFile::Parse("[k] 1\n@=\"default\"\n\"\"=\"empty\"\n");
  EXPECT_EQ(file.ReadString("K", ""), "default");
}

TEST(RegistryFile, ValueWrittenAfterALineEndingInABackslashStaysItsOwnLine) {
  for (const std::string& text : {std::string("[k] 1\n\"a\"=hex:01,\\"), std::string("[k] 1\\\n"),
                                  std::string("[k] 1\n\\\n"), std::string("junk \\")}) {
    SCOPED_TRACE(text);
    TRegistryFile file = TRegistryFile::Parse(text);
    file.WriteString("k", "v", "x");
    file.WriteString("novo", "v", "y");
    const TRegistryFile again = TRegistryFile::Parse(file.Bytes());
    EXPECT_EQ(again.ReadString("k", "v"), "x") << file.Bytes();
    EXPECT_EQ(again.ReadString("novo", "v"), "y") << file.Bytes();
  }
}

TEST(Registry, AccentedUserNameReadsBackFromTheFileWineWrote) {
  TTempPrefix prefix;
  WriteFileBytes(prefix.Path() + "/user.reg",
                 std::string(kHeader) + kShellFoldersHeader +
                     "\"Desktop\"=\"C:\\\\users\\\\Jo\\xe3o\\\\Desktop\"\n\n");
  platform::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer", true));
  ASSERT_TRUE(reg.OpenSubKey("Shell Folders"));
  EXPECT_EQ(reg.ReadString("Desktop"), "C:\\users\\João\\Desktop");
  ASSERT_TRUE(reg.WriteString("Personal", "C:\\users\\João\\Documentos"));
  const std::string after = ReadFileBytes(prefix.Path() + "/user.reg");
  EXPECT_NE(after.find("\"Personal\"=\"C:\\\\users\\\\Jo\\xe3o\\\\Documentos\"\n"),
            std::string::npos)
      << after;
  // Opening the key that holds only subkeys added nothing of its own.
  EXPECT_EQ(after.find("Explorer] "), std::string::npos) << after;
}

TEST(Registry, ReplacingAHexValueOnDiskLeavesNoneOfItsLinesBehind) {
  TTempPrefix prefix;
  const std::string head = std::string(kHeader) + "[Software\\\\Varelo] 1\n";
  WriteFileBytes(prefix.Path() + "/user.reg",
                 head + "\"Pasta\"=hex(2):43,00,3a,00,\\\n  5c,00,00,00\n\"Outro\"=\"1\"\n\n");
  platform::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Varelo", false));
  ASSERT_TRUE(reg.WriteString("Pasta", "C:\\Varelo\\"));
  EXPECT_EQ(ReadFileBytes(prefix.Path() + "/user.reg"),
            head + "\"Pasta\"=\"C:\\\\Varelo\\\\\"\n\"Outro\"=\"1\"\n\n");
  EXPECT_EQ(reg.ReadString("Outro"), "1");
}

}  // namespace
