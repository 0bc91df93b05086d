// Our profile-string writer of the Linux build and how it handles the file itself: lines it does
// not change come back byte for byte, a failed write leaves the old file whole, links and modes
// are kept, every byte-order mark keeps its encoding. The rules every build keeps are in
// IniFileTest.cpp.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/FolderList.h"
#include "platform/IniFile.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/support/TempDir.h"

namespace {

using varelo::test::ReadFileBytes;
using varelo::test::TTempPrefix;
using varelo::test::WriteFileBytes;

void ExpectRefused(const std::string& file, std::string_view section, std::string_view key,
                   std::string_view value) {
  try {
    platform::TIniFile(file).WriteString(section, key, value);
    ADD_FAILURE() << "no failure raised";
  } catch (const platform::EIniFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + file);
  }
}

TEST(IniFileWriter, ExistingKeyChangesInPlaceAndOtherLinesStayAsTheyWere) {
  TTempPrefix prefix;
  // The second line holds a byte Windows-1252 leaves undefined: it must come back unchanged.
  WriteFileBytes(prefix.Drive('c') + "/a.ini",
                 "; comentário\r\n[Geral]\r\nx=\x81\x8D\r\n[Configuracao]\r\nAntes=1\r\n"
                 "instalacao=S\r\nDepois=2\r\n\r\n[Fim]\r\nz=9\r\n");
  platform::TIniFile ini("c:\\A.INI");
  ini.WriteString("CONFIGURACAO", "INSTALACAO", "N");
  ini.WriteString("CONFIGURACAO", "INSTALACAO", "N2");
  EXPECT_EQ(ReadFileBytes(prefix.Drive('c') + "/a.ini"),
            "; comentário\r\n[Geral]\r\nx=\x81\x8D\r\n[Configuracao]\r\nAntes=1\r\n"
            "instalacao=N2\r\nDepois=2\r\n\r\n[Fim]\r\nz=9\r\n");
}

TEST(IniFileWriter, WriteThatFailsHalfWayLeavesTheOldFileWhole) {
  TTempPrefix prefix;
  std::string before = "[ListaServidores]\r\nNomeBanco1=Local\r\n[Historico]\r\n";
  for (int i = 0; before.size() < 15 * 1024; ++i)
    before += "Linha" + std::to_string(i) + "=um valor que ocupa espaco no arquivo\r\n";
  const std::string path = prefix.Drive('c') + "/Brastel.ini";
  WriteFileBytes(path, before);
  {
    varelo::test::TFileSizeLimit limit(4096);
    ExpectRefused("c:\\Brastel.ini", "ListaServidores", "CaminhoBanco1", "srv:c:\\dados");
  }
  EXPECT_EQ(ReadFileBytes(path), before);
  EXPECT_EQ(platform::ListFolderTree(prefix.Drive('c')), std::vector<std::string>{"Brastel.ini"});
  // A read-only file stops everyone but the superuser, who writes into it as Windows'
  // administrators do not; for them the folder standing in the file's place (IniFileTest) is
  // the test.
  chmod(path.c_str(), 0444);
  if (geteuid() != 0) {
    ExpectRefused("c:\\Brastel.ini", "S", "k", "2");
    EXPECT_EQ(ReadFileBytes(path), before);
  }
}

TEST(IniFileWriter, RewriteKeepsTheModeAndWritesThroughALink) {
  TTempPrefix prefix;
  const std::string real = prefix.Drive('c') + "/real.ini";
  WriteFileBytes(real, "[S]\r\nk=1\r\n");
  chmod(real.c_str(), 0600);
  std::filesystem::create_symlink(real, prefix.Drive('c') + "/link.ini");
  platform::TIniFile("c:\\link.ini").WriteString("S", "k", "2");
  EXPECT_EQ(ReadFileBytes(real), "[S]\r\nk=2\r\n");
  EXPECT_TRUE(std::filesystem::is_symlink(prefix.Drive('c') + "/link.ini"));
  struct stat st;
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(IniFileWriter, ByteOrderMarkKeepsItsEncoding) {
  struct TCase {
    const char* name;
    std::string before;
    std::string after;
  };
  const std::string utf8Mark = "\xEF\xBB\xBF";
  const TCase cases[] = {
      // The first section is found behind the mark, and "ç" is written in UTF-8.
      {"utf-8 mark", utf8Mark + "[Geral]\r\nx=1\r\n", utf8Mark + "[Geral]\r\nx=1\r\nk=ação\r\n"},
      {"utf-16 big-endian", std::string("\xFE\xFF\0[\0G\0e\0r\0a\0l\0]\0\r\0\n", 18),
       std::string("\xFE\xFF\0[\0G\0e\0r\0a\0l\0]\0\r\0\n\0k\0=\0a\0\xE7\0\xE3\0o\0\r\0\n", 36)},
      {"no mark stays ansi", "[Geral]\r\n", "[Geral]\r\nk=a\xE7\xE3o\r\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTempPrefix prefix;
    WriteFileBytes(prefix.Drive('c') + "/m.ini", c.before);
    platform::TIniFile ini("c:\\m.ini");
    ini.WriteString("geral", "k", "ação");
    EXPECT_EQ(ReadFileBytes(prefix.Drive('c') + "/m.ini"), c.after);
    EXPECT_EQ(ini.ReadString("Geral", "K"), "ação");
  }
}

}  // namespace
