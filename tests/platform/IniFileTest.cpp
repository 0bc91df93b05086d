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

TEST(IniFile, NewFileHoldsTheSectionAndKeyInAnsiWithCrLf) {
  TTempPrefix prefix;
  platform::TIniFile ini("c:\\Brastel.ini");
  ini.WriteString("ListaServidores", "NomeBanco1", "Instalação");
  ini.WriteString("ListaServidores", "CaminhoBanco1", "srv:c:\\dados");
  EXPECT_EQ(ReadFileBytes(prefix.Drive('c') + "/Brastel.ini"),
            "[ListaServidores]\r\nNomeBanco1=Instala\xE7\xE3o\r\nCaminhoBanco1=srv:c:\\dados\r\n");
  EXPECT_EQ(ini.ReadString("listaservidores", "NOMEBANCO1"), "Instalação");
}

TEST(IniFile, ExistingKeyChangesInPlaceAndOtherLinesStayAsTheyWere) {
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

TEST(IniFile, MissingKeyEndsItsSectionAndMissingSectionEndsTheFile) {
  TTempPrefix prefix;
  WriteFileBytes(prefix.Drive('c') + "/b.ini", "[A]\r\nk=1\r\n\r\n[B]\r\nm=2\r\n");
  platform::TIniFile ini("c:\\b.ini");
  ini.WriteString("a", "novo", "x");
  ini.WriteString("C", "chave", "y");
  EXPECT_EQ(ReadFileBytes(prefix.Drive('c') + "/b.ini"),
            "[A]\r\nk=1\r\nnovo=x\r\n\r\n[B]\r\nm=2\r\n[C]\r\nchave=y\r\n");
}

TEST(IniFile, Utf16FileWithByteOrderMarkStaysUtf16) {
  TTempPrefix prefix;
  const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("[\0S\0]\0\r\0\n\0", 10);
  WriteFileBytes(prefix.Drive('c') + "/u.ini", utf16);
  platform::TIniFile ini("c:\\u.ini");
  ini.WriteString("S", "k", "ç");
  const std::string expected = utf16 + std::string("k\0=\0\xE7\0\r\0\n\0", 10);
  EXPECT_EQ(ReadFileBytes(prefix.Drive('c') + "/u.ini"), expected);
}

TEST(IniFile, UnwritableFolderRaisesUnableToWrite) {
  TTempPrefix prefix;
  try {
    platform::TIniFile("c:\\naoexiste\\x.ini").WriteString("S", "k", "v");
    FAIL() << "no failure raised";
  } catch (const platform::EIniFileError& e) {
    EXPECT_STREQ(e.what(), "Unable to write to c:\\naoexiste\\x.ini");
  }
  // A file standing where the folder should be refuses even the superuser.
  WriteFileBytes(prefix.Drive('c') + "/arquivo", "x");
  EXPECT_THROW(platform::TIniFile("c:\\arquivo\\x.ini").WriteString("S", "k", "v"),
               platform::EIniFileError);
  EXPECT_EQ(ReadFileBytes(prefix.Drive('c') + "/arquivo"), "x");
}

// Expects the write to be refused with the writer's text.
void ExpectRefused(const std::string& file, std::string_view section, std::string_view key,
                   std::string_view value) {
  try {
    platform::TIniFile(file).WriteString(section, key, value);
    ADD_FAILURE() << "no failure raised";
  } catch (const platform::EIniFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + file);
  }
}

TEST(IniFile, FolderStandingWhereTheFileWouldBeRaisesEvenForTheSuperuser) {
  TTempPrefix prefix;
  const std::string folder = prefix.Drive('c') + "/r.ini";
  std::filesystem::create_directories(folder);
  WriteFileBytes(folder + "/dentro.txt", "keep");
  ExpectRefused("c:\\r.ini", "S", "k", "2");
  EXPECT_EQ(platform::ListFolderTree(prefix.Drive('c')),
            (std::vector<std::string>{"r.ini/", "r.ini/dentro.txt"}));
  EXPECT_EQ(ReadFileBytes(folder + "/dentro.txt"), "keep");
  // A read-only file stops everyone but the superuser, who writes into it as Windows'
  // administrators do not; for them the folder above is the test.
  const std::string readOnly = prefix.Drive('c') + "/ro.ini";
  WriteFileBytes(readOnly, "[S]\r\nk=1\r\n");
  chmod(readOnly.c_str(), 0444);
  if (geteuid() != 0) {
    ExpectRefused("c:\\ro.ini", "S", "k", "2");
    EXPECT_EQ(ReadFileBytes(readOnly), "[S]\r\nk=1\r\n");
  }
}

TEST(IniFile, WriteThatFailsHalfWayLeavesTheOldFileWhole) {
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
}

TEST(IniFile, RewriteKeepsTheModeAndWritesThroughALink) {
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

TEST(IniFile, ByteOrderMarkKeepsItsEncoding) {
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

TEST(IniFile, LineBreaksAndNulInNamesOrValuesAreRefused) {
  struct TCase {
    std::string section, key, value;
  };
  const TCase cases[] = {
      {"S", "k", "v\r\n[Injetada]\r\nadmin=1"},
      {"S", "k", "v\nx=1"},
      {"S", "k", "v\rx"},
      {"S", "k", std::string("v\0x", 3)},
      {"S", "k\r\nx", "v"},
      {"S", std::string("k\0", 2), "v"},
      {"S]\r\n[T", "k", "v"},
      {std::string("S\0", 2), "k", "v"},
  };
  TTempPrefix prefix;
  const std::string existing = prefix.Drive('c') + "/e.ini";
  WriteFileBytes(existing, "[S]\r\nk=1\r\n");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.section + "|" + c.key + "|" + c.value);
    ExpectRefused("c:\\e.ini", c.section, c.key, c.value);
    ExpectRefused("c:\\novo.ini", c.section, c.key, c.value);
  }
  EXPECT_EQ(ReadFileBytes(existing), "[S]\r\nk=1\r\n");
  EXPECT_EQ(platform::ListFolderTree(prefix.Drive('c')), std::vector<std::string>{"e.ini"});
}

}  // namespace
