// The installer's command line: every option in its forms, and every command line that must be
// refused before anything is written, each with the option it names.
#include "installer/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace installer {
namespace {

TEST(CommandLine, NoArgumentsIsTheWindowWithAFullInstallation) {
  const TCommandLine line = ParseCommandLine({});
  EXPECT_EQ(line.kind, TInstallKind::Complete);
  EXPECT_EQ(line.mode, TRunMode::Window);
  EXPECT_FALSE(line.paf);
  EXPECT_FALSE(line.help);
  EXPECT_FALSE(line.choiceGiven);
  EXPECT_TRUE(line.logPath.empty());
  EXPECT_TRUE(line.baseUrl.empty());
}

TEST(CommandLine, EveryOptionInEitherSignAndAnyCase) {
  {
    const TCommandLine line = ParseCommandLine(
        {"/tipo=rede", "-Servidor=srv01", "/CAMINHO=c:\\Dados\\Banco Ô.fdb", "/paf", "-silencioso",
         "/Log=C:\\logs\\caixa 1.log", "/origem=HTTP://espelho.local:8080/pacotes"});
    EXPECT_EQ(line.kind, TInstallKind::Network);
    EXPECT_EQ(line.server, "srv01");  // values keep their case; the window's edits decide
    EXPECT_EQ(line.path, "c:\\Dados\\Banco Ô.fdb");
    EXPECT_TRUE(line.paf);
    EXPECT_EQ(line.mode, TRunMode::Silent);
    EXPECT_EQ(line.logPath, "C:\\logs\\caixa 1.log");
    EXPECT_EQ(line.baseUrl, "HTTP://espelho.local:8080/pacotes/");
    EXPECT_TRUE(line.choiceGiven);
  }
  {
    const TCommandLine line = ParseCommandLine({"-TIPO=Nuvens", "/ALIAS=acme=filial 2", "/PASSIVO",
                                                "/ORIGEM=https://cdn.exemplo.com.br/"});
    EXPECT_EQ(line.kind, TInstallKind::Cloud);
    EXPECT_EQ(line.alias, "acme=filial 2");  // only the first "=" ends the name
    EXPECT_EQ(line.mode, TRunMode::Passive);
    EXPECT_EQ(line.baseUrl, "https://cdn.exemplo.com.br/");
  }
  EXPECT_EQ(ParseCommandLine({"/TIPO=COMPLETA"}).kind, TInstallKind::Complete);
  EXPECT_TRUE(ParseCommandLine({"/TIPO=COMPLETA"}).choiceGiven);
  EXPECT_TRUE(ParseCommandLine({"/PAF"}).choiceGiven);
  EXPECT_FALSE(ParseCommandLine({"/SILENCIOSO"}).choiceGiven);
  EXPECT_TRUE(ParseCommandLine({"/?"}).help);
  EXPECT_TRUE(ParseCommandLine({"-?"}).help);
  EXPECT_TRUE(ParseCommandLine({"/ajuda"}).help);
}

TEST(CommandLine, EmptyWorkstationValuesAreLeftToTheWindowsOwnChecks) {
  // The window tells the user what is missing, with its own text; the command line only
  // carries what was given.
  const TCommandLine network = ParseCommandLine({"/TIPO=REDE", "/SERVIDOR=", "/SILENCIOSO"});
  EXPECT_EQ(network.server, "");
  EXPECT_EQ(network.path, "");
  EXPECT_EQ(ParseCommandLine({"/TIPO=NUVENS", "/ALIAS="}).alias, "");
  EXPECT_EQ(ParseCommandLine({"/TIPO=NUVENS"}).alias, "");
}

TEST(CommandLine, ValuesUpToTheEditsLengthAreTaken) {
  const std::string server(100, 's');
  const std::string path(200, 'p');
  EXPECT_EQ(ParseCommandLine({"/TIPO=REDE", "/SERVIDOR=" + server}).server, server);
  EXPECT_EQ(ParseCommandLine({"/TIPO=REDE", "/CAMINHO=" + path}).path, path);
  // The length counts characters as the edit does (UTF-16 units), not bytes.
  std::string accented;
  for (int i = 0; i < 100; ++i)
    accented += "Ç";
  EXPECT_EQ(ParseCommandLine({"/TIPO=NUVENS", "/ALIAS=" + accented}).alias, accented);
}

TEST(CommandLine, MalformedCommandLinesAreRefusedNamingTheOption) {
  struct TCase {
    std::vector<std::string> args;
    const char* told;  // the start of the message
  };
  const TCase cases[] = {
      {{"/INSTALAR"}, "Opção desconhecida: /INSTALAR."},
      {{"/TIPO=REDE", "--SERVIDOR=x"}, "Opção desconhecida: --SERVIDOR."},
      {{"SILENCIOSO"}, "Opção desconhecida: SILENCIOSO (as opções começam com / ou -)."},
      {{"/"}, "Opção desconhecida: / (as opções começam com / ou -)."},
      {{"-"}, "Opção desconhecida: - (as opções começam com / ou -)."},
      {{""}, "Opção desconhecida:  (as opções começam com / ou -)."},
      {{"/=x"}, "Opção desconhecida: /."},
      {{"/PAF=SIM"}, "A opção /PAF não aceita valor."},
      {{"/silencioso="}, "A opção /silencioso não aceita valor."},
      {{"/PASSIVO=1"}, "A opção /PASSIVO não aceita valor."},
      {{"/?=x"}, "A opção /? não aceita valor."},
      {{"/TIPO"}, "Falta o valor da opção /TIPO (use /TIPO=valor)."},
      {{"/TIPO="}, "Falta o valor da opção /TIPO (use /TIPO=valor)."},
      {{"/TIPO=REDE", "/SERVIDOR"}, "Falta o valor da opção /SERVIDOR (use /SERVIDOR=valor)."},
      {{"/LOG"}, "Falta o valor da opção /LOG (use /LOG=valor)."},
      {{"/LOG="}, "Falta o valor da opção /LOG (use /LOG=valor)."},
      {{"-ORIGEM="}, "Falta o valor da opção -ORIGEM (use -ORIGEM=valor)."},
      {{"/TIPO=REDE", "/TIPO=NUVENS"}, "A opção /TIPO foi dada mais de uma vez."},
      {{"/TIPO=REDE", "-tipo=REDE"}, "A opção -tipo foi dada mais de uma vez."},
      {{"/PAF", "/PAF"}, "A opção /PAF foi dada mais de uma vez."},
      {{"/?", "/AJUDA"}, "A opção /AJUDA foi dada mais de uma vez."},
      {{"/TIPO=ESTACAO"}, "Valor inválido para /TIPO: \"ESTACAO\" (use COMPLETA, REDE ou NUVENS)."},
      {{"/TIPO= REDE"}, "Valor inválido para /TIPO: \" REDE\""},
      {{"/PASSIVO", "/SILENCIOSO"},
       "As opções /PASSIVO e /SILENCIOSO não podem ser usadas juntas."},
      {{"/SERVIDOR=srv"}, "A opção /SERVIDOR vale apenas com /TIPO=REDE."},
      {{"/TIPO=COMPLETA", "/CAMINHO=c:\\db"}, "A opção /CAMINHO vale apenas com /TIPO=REDE."},
      {{"/TIPO=NUVENS", "/SERVIDOR=srv"}, "A opção /SERVIDOR vale apenas com /TIPO=REDE."},
      {{"/TIPO=REDE", "/ALIAS=ACME"}, "A opção /ALIAS vale apenas com /TIPO=NUVENS."},
      {{"/ALIAS=ACME", "/TIPO=COMPLETA"}, "A opção /ALIAS vale apenas com /TIPO=NUVENS."},
      {{"/ORIGEM=ftp://espelho/"}, "/ORIGEM aceita apenas endereços http:// ou https://"},
      {{"/ORIGEM=file:///c:/pacotes"}, "/ORIGEM aceita apenas endereços http:// ou https://"},
      {{"/ORIGEM=espelho.local/pacotes"}, "/ORIGEM aceita apenas endereços http:// ou https://"},
      {{"/ORIGEM=http://"}, "/ORIGEM aceita apenas endereços http:// ou https://"},
      {{"/ORIGEM=https://"}, "/ORIGEM aceita apenas endereços http:// ou https://"},
      {{"/ORIGEM=http://espelho/pac otes"}, "/ORIGEM não pode conter espaços"},
      {{"/ORIGEM=http://espelho/\r\nHost: x"}, "/ORIGEM não pode conter espaços"},
      {{"/TIPO=REDE", "/SERVIDOR=" + std::string(101, 's')},
       "/SERVIDOR aceita no máximo 100 caracteres."},
      {{"/TIPO=REDE", "/CAMINHO=" + std::string(201, 'p')},
       "/CAMINHO aceita no máximo 200 caracteres."},
      {{"/TIPO=NUVENS", "/ALIAS=" + std::string(101, 'a')},
       "/ALIAS aceita no máximo 100 caracteres."},
  };
  for (const TCase& c : cases) {
    std::string shown;
    for (const std::string& arg : c.args)
      shown += "[" + arg + "]";
    SCOPED_TRACE(shown);
    try {
      ParseCommandLine(c.args);
      ADD_FAILURE() << "taken";
    } catch (const ECommandLineError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(c.told, 0), 0u) << error.what();
    }
  }
}

TEST(CommandLine, UsageNamesEveryOptionAndTheExitCodes) {
  const std::string usage = CommandLineUsage();
  for (const char* option :
       {"/TIPO=COMPLETA", "/TIPO=REDE", "/SERVIDOR=", "/CAMINHO=", "/TIPO=NUVENS",
        "/ALIAS=", "/PAF", "/PASSIVO", "/SILENCIOSO", "/LOG=", "/ORIGEM=", "/?", "/AJUDA"})
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  for (const char* code : {"0 instalado", "2 opções inválidas", "3 instalação anterior",
                           "4 pacote não baixado", "5 pacote danificado", "6 espaço em disco",
                           "7 arquivo de configuração ou atalho", "8 cancelado", "1 a instalação"})
    EXPECT_NE(usage.find(code), std::string::npos) << code;
}

}  // namespace
}  // namespace installer
