#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/IniFile.h"
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

TEST(IniFile, ReadOnlyFileRaisesAndKeepsItsContent) {
  TTempPrefix prefix;
  const std::string path = prefix.Drive('c') + "/r.ini";
  WriteFileBytes(path, "[S]\r\nk=1\r\n");
  chmod(path.c_str(), 0444);
  if (geteuid() == 0)
    GTEST_SKIP() << "root writes into read-only files";
  EXPECT_THROW(platform::TIniFile("c:\\r.ini").WriteString("S", "k", "2"), platform::EIniFileError);
  EXPECT_EQ(ReadFileBytes(path), "[S]\r\nk=1\r\n");
}

}  // namespace
