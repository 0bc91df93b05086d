#include "installer/CommandLine.h"

#include <set>
#include <string_view>

#include "installer/InstallPlaces.h"
#include "platform/ui/StdControls.h"

namespace installer {
namespace {

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// What an option takes after its name.
enum class TTakes { Nothing, Value };

struct TOptionInfo {
  const char* name;
  TTakes takes;
};

constexpr TOptionInfo kOptions[] = {
    {"TIPO", TTakes::Value},         {"SERVIDOR", TTakes::Value}, {"CAMINHO", TTakes::Value},
    {"ALIAS", TTakes::Value},        {"PAF", TTakes::Nothing},    {"PASSIVO", TTakes::Nothing},
    {"SILENCIOSO", TTakes::Nothing}, {"LOG", TTakes::Value},      {"ORIGEM", TTakes::Value},
    {"?", TTakes::Nothing},          {"AJUDA", TTakes::Nothing},
};

const TOptionInfo* FindOption(const std::string& upperName) {
  for (const TOptionInfo& option : kOptions) {
    if (upperName == option.name)
      return &option;
  }
  return nullptr;
}

// One argument taken apart: "/NAME=value" or "-NAME".
struct TArgument {
  std::string shown;  // as the user wrote the name, with its sign, for the messages
  std::string name;   // upper case, without the sign
  bool hasValue = false;
  std::string value;
};

TArgument Split(const std::string& arg) {
  if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-'))
    throw ECommandLineError("Opção desconhecida: " + arg + " (as opções começam com / ou -).");
  TArgument parsed;
  const size_t equals = arg.find('=');
  parsed.shown = arg.substr(0, equals);
  parsed.name = UpperAscii(parsed.shown.substr(1));
  if (equals != std::string::npos) {
    parsed.hasValue = true;
    parsed.value = arg.substr(equals + 1);
  }
  return parsed;
}

TInstallKind KindOf(const TArgument& arg) {
  const std::string value = UpperAscii(arg.value);
  if (value == "COMPLETA")
    return TInstallKind::Complete;
  if (value == "REDE")
    return TInstallKind::Network;
  if (value == "NUVENS")
    return TInstallKind::Cloud;
  throw ECommandLineError("Valor inválido para " + arg.shown + ": \"" + arg.value +
                          "\" (use COMPLETA, REDE ou NUVENS).");
}

std::string BaseUrlOf(const TArgument& arg) {
  const std::string lower = [&] {
    std::string out = arg.value;
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z')
        c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  }();
  const bool http = lower.rfind("http://", 0) == 0 && lower.size() > 7;
  const bool https = lower.rfind("https://", 0) == 0 && lower.size() > 8;
  if (!http && !https)
    throw ECommandLineError(arg.shown + " aceita apenas endereços http:// ou https://: \"" +
                            arg.value + "\".");
  for (const char c : arg.value) {
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F)
      throw ECommandLineError(arg.shown + " não pode conter espaços nem caracteres de controle.");
  }
  return arg.value.back() == '/' ? arg.value : arg.value + "/";
}

// A workstation's value as its edit would take it: within the edit's length.
std::string TypedValue(const TArgument& arg, int maxLength) {
  if (platform::ui::Utf16Length(arg.value) > maxLength)
    throw ECommandLineError(arg.shown + " aceita no máximo " + std::to_string(maxLength) +
                            " caracteres.");
  return arg.value;
}

void Take(TCommandLine& line, const TArgument& arg) {
  if (arg.name == "TIPO")
    line.kind = KindOf(arg);
  else if (arg.name == "SERVIDOR")
    line.server = TypedValue(arg, kServerMaxLength);
  else if (arg.name == "CAMINHO")
    line.path = TypedValue(arg, kPathMaxLength);
  else if (arg.name == "ALIAS")
    line.alias = TypedValue(arg, kAliasMaxLength);
  else if (arg.name == "PAF")
    line.paf = true;
  else if (arg.name == "PASSIVO")
    line.mode = TRunMode::Passive;
  else if (arg.name == "SILENCIOSO")
    line.mode = TRunMode::Silent;
  else if (arg.name == "LOG")
    line.logPath = arg.value;
  else if (arg.name == "ORIGEM")
    line.baseUrl = BaseUrlOf(arg);
  else
    line.help = true;
}

// Values that belong to a kind of installation other than the chosen one.
void CheckValuesFitTheKind(const TCommandLine& line, const std::set<std::string>& given) {
  const auto refuse = [](const char* option, const char* kind) {
    throw ECommandLineError(std::string("A opção /") + option + " vale apenas com /TIPO=" + kind +
                            ".");
  };
  if (line.kind != TInstallKind::Network) {
    if (given.count("SERVIDOR"))
      refuse("SERVIDOR", "REDE");
    if (given.count("CAMINHO"))
      refuse("CAMINHO", "REDE");
  }
  if (line.kind != TInstallKind::Cloud && given.count("ALIAS"))
    refuse("ALIAS", "NUVENS");
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine line;
  std::set<std::string> given;
  for (const std::string& text : args) {
    const TArgument arg = Split(text);
    const TOptionInfo* option = FindOption(arg.name);
    if (!option)
      throw ECommandLineError("Opção desconhecida: " + arg.shown + ".");
    if (option->takes == TTakes::Nothing && arg.hasValue)
      throw ECommandLineError("A opção " + arg.shown + " não aceita valor.");
    if (option->takes == TTakes::Value && !arg.hasValue)
      throw ECommandLineError("Falta o valor da opção " + arg.shown + " (use " + arg.shown +
                              "=valor).");
    if (option->takes == TTakes::Value && arg.value.empty() &&
        (arg.name == "TIPO" || arg.name == "LOG" || arg.name == "ORIGEM"))
      throw ECommandLineError("Falta o valor da opção " + arg.shown + " (use " + arg.shown +
                              "=valor).");
    // /? and /AJUDA are one option.
    const std::string key = arg.name == "?" ? "AJUDA" : arg.name;
    if (!given.insert(key).second)
      throw ECommandLineError("A opção " + arg.shown + " foi dada mais de uma vez.");
    Take(line, arg);
  }
  if (given.count("PASSIVO") && given.count("SILENCIOSO"))
    throw ECommandLineError("As opções /PASSIVO e /SILENCIOSO não podem ser usadas juntas.");
  CheckValuesFitTheKind(line, given);
  for (const char* choice : {"TIPO", "SERVIDOR", "CAMINHO", "ALIAS", "PAF"})
    line.choiceGiven = line.choiceGiven || given.count(choice) > 0;
  return line;
}

std::string CommandLineUsage() {
  return "Uso: instalador [opções]\n"
         "\n"
         "  /TIPO=COMPLETA        instalação completa com banco de dados (o padrão)\n"
         "  /TIPO=REDE            estação em rede, com /SERVIDOR=nome e /CAMINHO=caminho do "
         "banco\n"
         "  /TIPO=NUVENS          estação nas nuvens, com /ALIAS=alias da empresa\n"
         "  /PAF                  instala também o PDV - PAF\n"
         "  /PASSIVO              mostra a janela e o progresso, sem perguntas, e fecha ao "
         "terminar\n"
         "  /SILENCIOSO           instala sem janela nenhuma\n"
         "  /LOG=arquivo          grava o registro da instalação nesse arquivo\n"
         "  /ORIGEM=endereço      baixa os pacotes desse servidor (http:// ou https://)\n"
         "  /? ou /AJUDA          mostra este texto\n"
         "\n"
         "As opções podem começar com / ou -, em maiúsculas ou minúsculas.\n"
         "Código de saída: 0 instalado; 2 opções inválidas; 3 instalação anterior encontrada;\n"
         "4 pacote não baixado; 5 pacote danificado ou não descompactado; 6 espaço em disco\n"
         "insuficiente; 7 arquivo de configuração ou atalho não gravado; 8 cancelado;\n"
         "1 a instalação não pôde começar.\n";
}

}  // namespace installer
