// Settings files through the profile-string writer: the rules every build keeps, whether the
// writer is ours (Linux) or the system's (Windows). Files are named by Windows paths.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FolderList.h"
#include "platform/IniFile.h"
#include "tests/platform/WindowsFolder.h"

namespace {

using varelo::test::ReadFileBytes;
using varelo::test::TWindowsFolder;
using varelo::test::WriteFileBytes;

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

TEST(IniFile, NewFileHoldsTheSectionAndKeyInAnsiWithCrLf) {
  TWindowsFolder folder;
  platform::TIniFile ini(folder.Windows("Brastel.ini"));
  ini.WriteString("ListaServidores", "NomeBanco1", "Instalação");
  ini.WriteString("ListaServidores", "CaminhoBanco1", "srv:c:\\dados");
  EXPECT_EQ(ReadFileBytes(folder.Host("Brastel.ini")),
            "[ListaServidores]\r\nNomeBanco1=Instala\xE7\xE3o\r\nCaminhoBanco1=srv:c:\\dados\r\n");
  EXPECT_EQ(ini.ReadString("listaservidores", "NOMEBANCO1"), "Instalação");
}

TEST(IniFile, SameKeyTwiceLeavesOneLineWithTheSecondValue) {
  TWindowsFolder folder;
  WriteFileBytes(folder.Host("a.ini"),
                 "[Geral]\r\nx=1\r\n[Configuracao]\r\nAntes=1\r\ninstalacao=S\r\nDepois=2\r\n"
                 "[Fim]\r\nz=9\r\n");
  platform::TIniFile ini(folder.Windows("a.ini"));
  ini.WriteString("CONFIGURACAO", "INSTALACAO", "N");
  ini.WriteString("CONFIGURACAO", "INSTALACAO", "N2");
  EXPECT_EQ(ReadFileBytes(folder.Host("a.ini")),
            "[Geral]\r\nx=1\r\n[Configuracao]\r\nAntes=1\r\ninstalacao=N2\r\nDepois=2\r\n"
            "[Fim]\r\nz=9\r\n");
}

TEST(IniFile, MissingKeyEndsItsSectionAndMissingSectionEndsTheFile) {
  TWindowsFolder folder;
  WriteFileBytes(folder.Host("b.ini"), "[A]\r\nk=1\r\n[B]\r\nm=2\r\n");
  platform::TIniFile ini(folder.Windows("b.ini"));
  ini.WriteString("a", "novo", "x");
  ini.WriteString("C", "chave", "y");
  const std::string after = ReadFileBytes(folder.Host("b.ini"));
  // The system's writer may set a blank line before the new section.
  EXPECT_TRUE(after == "[A]\r\nk=1\r\nnovo=x\r\n[B]\r\nm=2\r\n[C]\r\nchave=y\r\n" ||
              after == "[A]\r\nk=1\r\nnovo=x\r\n[B]\r\nm=2\r\n\r\n[C]\r\nchave=y\r\n")
      << after;
}

TEST(IniFile, Utf16FileWithByteOrderMarkStaysUtf16) {
  TWindowsFolder folder;
  const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("[\0S\0]\0\r\0\n\0", 10);
  WriteFileBytes(folder.Host("u.ini"), utf16);
  platform::TIniFile ini(folder.Windows("u.ini"));
  ini.WriteString("S", "k", "ç");
  EXPECT_EQ(ReadFileBytes(folder.Host("u.ini")), utf16 + std::string("k\0=\0\xE7\0\r\0\n\0", 10));
  EXPECT_EQ(ini.ReadString("s", "K"), "ç");
}

TEST(IniFile, ReadGivesTheFallbackOnlyForWhatIsMissing) {
  TWindowsFolder folder;
  WriteFileBytes(folder.Host("r.ini"), "[S]\r\nvazio=\r\nk=valor\r\n");
  platform::TIniFile ini(folder.Windows("r.ini"));
  EXPECT_EQ(ini.ReadString("s", "K", "padrao"), "valor");
  EXPECT_EQ(ini.ReadString("S", "vazio", "padrao"), "");
  EXPECT_EQ(ini.ReadString("S", "falta", "padrao"), "padrao");
  EXPECT_EQ(ini.ReadString("T", "k", "padrao"), "padrao");
  EXPECT_EQ(platform::TIniFile(folder.Windows("naoha.ini")).ReadString("S", "k", "padrao"),
            "padrao");
  // Hostile names never reach another key.
  EXPECT_EQ(ini.ReadString("S", std::string("k\0x", 3), "padrao"), "padrao");
  EXPECT_EQ(ini.ReadString("S\r\n", "k", "padrao"), "padrao");
  EXPECT_FALSE(std::filesystem::exists(folder.Host("naoha.ini")));
}

TEST(IniFile, UnwritablePlacesRaiseUnableToWriteAndChangeNothing) {
  TWindowsFolder folder;
  ExpectRefused(folder.Windows("naoexiste\\x.ini"), "S", "k", "v");
  // A file standing where the folder should be.
  WriteFileBytes(folder.Host("arquivo"), "x");
  ExpectRefused(folder.Windows("arquivo\\x.ini"), "S", "k", "v");
  EXPECT_EQ(ReadFileBytes(folder.Host("arquivo")), "x");
  // A folder standing where the file would be.
  std::filesystem::create_directories(folder.Host("r.ini"));
  WriteFileBytes(folder.Host("r.ini/dentro.txt"), "keep");
  ExpectRefused(folder.Windows("r.ini"), "S", "k", "2");
  EXPECT_EQ(ReadFileBytes(folder.Host("r.ini/dentro.txt")), "keep");
  EXPECT_EQ(platform::ListFolderTree(folder.HostRoot()),
            (std::vector<std::string>{"arquivo", "r.ini/", "r.ini/dentro.txt"}));
}

TEST(IniFile, LineBreaksAndNulInNamesOrValuesAreRefusedBeforeTheDisk) {
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
  TWindowsFolder folder;
  WriteFileBytes(folder.Host("e.ini"), "[S]\r\nk=1\r\n");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.section + "|" + c.key + "|" + c.value);
    ExpectRefused(folder.Windows("e.ini"), c.section, c.key, c.value);
    ExpectRefused(folder.Windows("novo.ini"), c.section, c.key, c.value);
  }
  EXPECT_EQ(ReadFileBytes(folder.Host("e.ini")), "[S]\r\nk=1\r\n");
  EXPECT_EQ(platform::ListFolderTree(folder.HostRoot()), std::vector<std::string>{"e.ini"});
}

}  // namespace
