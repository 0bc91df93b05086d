// The window's settings-file writer and text replacement, against files in a temporary prefix.
#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/IniFile.h"
#include "tests/installer/FormFixture.h"
#include "tests/support/TempDir.h"

namespace installer {
namespace {

using varelo::test::InPrefix;
using varelo::test::ReadFileBytes;
using varelo::test::TTempPrefix;
using varelo::test::WriteFileBytes;
using Access = TfrmPrincipalTestAccess;

std::string Replace(const std::string& text, const std::string& oldText,
                    const std::string& newText) {
  return Access::SubstituirTexto(text, oldText, newText);
}

std::string Utf16Le(const std::string& utf8) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : platform::Utf8ToUtf16(utf8)) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// The settings files are named by the test ("c:\Varelo\Brastel.ini") and reach the writer
// through InPrefix: the test prefix's own drive C: in both builds (under Wine the system's C:
// is the build prefix's, shared by every test).
class GravarIni : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(platform::ForceDirectories(InPrefix("c:\\Varelo"))); }
  std::string Varelo(const std::string& name) const {
    return prefix.Drive('c') + "/Varelo/" + name;
  }
  void Write(const std::string& file, const std::string& section, const std::string& key,
             const std::string& value) {
    Access::GravarIni(h.form, InPrefix(file), section, key, value);
  }

  TTempPrefix prefix;
  TFormHarness h;
};

TEST_F(GravarIni, WorkstationSettingsCreateTheTwoFilesWithNothingElse) {
  Write("c:\\Varelo\\Ondrel.ini", "CONFIGURACAO", "INSTALACAO", "N");
  Write("c:\\Varelo\\Brastel.ini", "ListaServidores", "NomeBanco1", "Local");
  Write("c:\\Varelo\\Brastel.ini", "ListaServidores", "CaminhoBanco1", "srv01:c:\\dados\\base.fdb");
  EXPECT_EQ(ReadFileBytes(Varelo("Ondrel.ini")), "[CONFIGURACAO]\r\nINSTALACAO=N\r\n");
  EXPECT_EQ(ReadFileBytes(Varelo("Brastel.ini")),
            "[ListaServidores]\r\nNomeBanco1=Local\r\nCaminhoBanco1=srv01:c:\\dados\\base.fdb\r\n");
}

TEST_F(GravarIni, ChangesAKeyInPlaceAndLeavesEveryOtherLine) {
  const std::string before =
      "; settings brought by a package\r\n[ListaServidores]\r\nNomeBanco1=Antigo\r\n"
      "Outra=1\r\n\r\n[Geral]\r\nTema=Azul\r\n";
  WriteFileBytes(Varelo("Brastel.ini"), before);
  Write("c:\\Varelo\\Brastel.ini", "ListaServidores", "NomeBanco1", "&Local");
  Write("c:\\Varelo\\Brastel.ini", "ListaServidores", "NomeBanco1", "Local");
  EXPECT_EQ(ReadFileBytes(Varelo("Brastel.ini")),
            "; settings brought by a package\r\n[ListaServidores]\r\nNomeBanco1=Local\r\n"
            "Outra=1\r\n\r\n[Geral]\r\nTema=Azul\r\n");
}

TEST_F(GravarIni, AddsAMissingKeyAtTheEndOfItsSectionAndAMissingSectionAtTheEnd) {
  WriteFileBytes(Varelo("Brastel.ini"),
                 "[ListaServidores]\r\nNomeBanco1=Local\r\n[Geral]\r\nTema=Azul\r\n");
  Write("c:\\Varelo\\Brastel.ini", "ListaServidores", "CaminhoBanco1", "LOJA");
  Write("c:\\Varelo\\Brastel.ini", "CONFIGURACAO", "INSTALACAO", "N");
  EXPECT_EQ(
      ReadFileBytes(Varelo("Brastel.ini")),
      "[ListaServidores]\r\nNomeBanco1=Local\r\nCaminhoBanco1=LOJA\r\n[Geral]\r\nTema=Azul\r\n"
      "[CONFIGURACAO]\r\nINSTALACAO=N\r\n");
}

TEST_F(GravarIni, SectionKeyAndPathMatchWithoutRegardToCase) {
  WriteFileBytes(Varelo("Ondrel.ini"), "[Configuracao]\r\nInstalacao=S\r\n");
  Write("C:\\VARELO\\ondrel.INI", "CONFIGURACAO", "INSTALACAO", "N");
  EXPECT_EQ(ReadFileBytes(Varelo("Ondrel.ini")), "[Configuracao]\r\nInstalacao=N\r\n");
}

TEST_F(GravarIni, NewFileIsWrittenInTheAnsiCodePage) {
  Write("c:\\Varelo\\Brastel.ini", "Geral", "Produto", "Instalação");
  EXPECT_EQ(ReadFileBytes(Varelo("Brastel.ini")), "[Geral]\r\nProduto=Instala\xE7\xE3o\r\n");
}

TEST_F(GravarIni, Utf16FileWithByteOrderMarkStaysUtf16) {
  WriteFileBytes(Varelo("Brastel.ini"), Utf16Le("[ListaServidores]\r\nNomeBanco1=Antigo\r\n"));
  Write("c:\\Varelo\\Brastel.ini", "ListaServidores", "NomeBanco1", "Local");
  Write("c:\\Varelo\\Brastel.ini", "ListaServidores", "CaminhoBanco1", "Instalação");
  EXPECT_EQ(ReadFileBytes(Varelo("Brastel.ini")),
            Utf16Le("[ListaServidores]\r\nNomeBanco1=Local\r\nCaminhoBanco1=Instalação\r\n"));
}

TEST_F(GravarIni, UnwritablePlaceRaisesUnableToWriteAndKeepsEarlierValues) {
  Write("c:\\Varelo\\Ondrel.ini", "CONFIGURACAO", "INSTALACAO", "N");
  // A missing folder, and a "folder" that is a file, can't receive the settings file. (Tests
  // run as root, whom a read-only folder does not stop.)
  WriteFileBytes(prefix.Drive('c') + "/Arquivo", "x");
  for (const std::string file : {"c:\\NaoExiste\\Brastel.ini", "c:\\Arquivo\\Brastel.ini"}) {
    try {
      Write(file, "ListaServidores", "NomeBanco1", "Local");
      ADD_FAILURE() << "no failure for " << file;
    } catch (const platform::EIniFileError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + InPrefix(file));
    }
  }
  EXPECT_FALSE(platform::PathExists(InPrefix("c:\\NaoExiste")));
  EXPECT_EQ(ReadFileBytes(prefix.Drive('c') + "/Arquivo"), "x");
  EXPECT_EQ(ReadFileBytes(Varelo("Ondrel.ini")), "[CONFIGURACAO]\r\nINSTALACAO=N\r\n");
}

TEST_F(GravarIni, ValueWithALineBreakIsRefusedAndCanNotAddKeys) {
  Write("c:\\Varelo\\Brastel.ini", "ListaServidores", "NomeBanco1", "Local");
  try {
    // A company alias pasted with a line break must not become a section of its own.
    Write("c:\\Varelo\\Brastel.ini", "ListaServidores", "CaminhoBanco1",
          "LOJA\r\n[Seguranca]\r\nSenha=");
    ADD_FAILURE() << "no failure raised";
  } catch (const platform::EIniFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + InPrefix("c:\\Varelo\\Brastel.ini"));
  }
  EXPECT_EQ(ReadFileBytes(Varelo("Brastel.ini")), "[ListaServidores]\r\nNomeBanco1=Local\r\n");
}

TEST_F(GravarIni, BrastelWithAUtf8MarkKeepsItAndGetsUtf8) {
  WriteFileBytes(Varelo("Brastel.ini"), "\xEF\xBB\xBF[ListaServidores]\r\nNomeBanco1=Antigo\r\n");
  Write("c:\\Varelo\\Brastel.ini", "ListaServidores", "NomeBanco1", "Local");
  Write("c:\\Varelo\\Brastel.ini", "ListaServidores", "CaminhoBanco1", "Instalação");
  EXPECT_EQ(ReadFileBytes(Varelo("Brastel.ini")),
            "\xEF\xBB\xBF[ListaServidores]\r\nNomeBanco1=Local\r\nCaminhoBanco1=Instalação\r\n");
}

TEST(SubstituirTexto, RemovesEveryAmpersandFromTheCompanyAlias) {
  EXPECT_EQ(Replace("A&B&&C", "&", ""), "ABC");
  EXPECT_EQ(Replace("LOJA CENTRO", "&", ""), "LOJA CENTRO");
  EXPECT_EQ(Replace("&&&", "&", ""), "");
}

TEST(SubstituirTexto, MatchesLettersAToZWithoutRegardToCaseOnly) {
  EXPECT_EQ(Replace("xAbyaB", "ab", "-"), "x-y-");
  EXPECT_EQ(Replace("Éé", "é", "e"), "Ée");
  EXPECT_EQ(Replace("Ação AÇÃO", "ção", "*"), "A* AÇÃO");
  EXPECT_EQ(Replace("texto", "", "x"), "texto");
  EXPECT_EQ(Replace("", "a", "b"), "");
}

TEST(SubstituirTexto, SearchesAgainFromTheStartWhenReplacementCanNotRepeatItself) {
  // Removing "ab" from "aabb" forms a new "ab" with the text before it, which goes too.
  EXPECT_EQ(Replace("aabb", "ab", ""), "");
  EXPECT_EQ(Replace("aaabbb-ab", "AB", ""), "-");
  // A longer replacement that does not contain the old text: "ab" -> "ba" sorts the letters.
  EXPECT_EQ(Replace("abab", "ab", "ba"), "bbaa");
}

TEST(SubstituirTexto, ReplacementContainingTheOldTextEnds) {
  // These used to search the replacement's own copy of the old text for ever.
  EXPECT_EQ(Replace("a&b&", "&", "&&"), "a&&b&&");
  EXPECT_EQ(Replace("xABx", "ab", "[aB]"), "x[aB]x");
  EXPECT_EQ(Replace("Loja", "o", "O"), "LOja");
  EXPECT_EQ(Replace("sem ocorrencia", "&", "&&"), "sem ocorrencia");
}

TEST(SubstituirTexto, ReplacementThatKeepsBuildingMatchesEnds) {
  // "ab" -> "bbaa" does not contain "ab", yet each replacement forms a new "ab" with the "a"
  // before it, and the text would grow for ever: it is then replaced in one pass.
  EXPECT_EQ(Replace("aab", "ab", "bbaa"), "abbaa");
}

}  // namespace
}  // namespace installer
