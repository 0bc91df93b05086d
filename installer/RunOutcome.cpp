#include "installer/RunOutcome.h"

namespace installer {
namespace {

const char* KindName(TStepKind kind) {
  switch (kind) {
    case TStepKind::Folder:
      return "pasta";
    case TStepKind::Fetch:
      return "download";
    case TStepKind::Copy:
      return "copia";
    case TStepKind::Unpack:
      return "descompactacao";
    case TStepKind::Settings:
      return "configuracao";
    case TStepKind::Shortcut:
      return "atalho";
  }
  return "passo";
}

}  // namespace

bool TRunOutcome::Succeeded() const {
  return !steps_.empty() && FirstFailure() == nullptr;
}

bool TRunOutcome::Cancelled() const {
  const TStep* failure = FirstFailure();
  return failure && failure->cause == TStepCause::Cancelled;
}

const TStep* TRunOutcome::FirstFailure() const {
  for (const TStep& step : steps_) {
    if (!step.Succeeded())
      return &step;
  }
  return nullptr;
}

std::string TRunOutcome::CauseText(const TStep& step) {
  const std::string& s = step.subject;
  const std::string count = std::to_string(step.code);
  switch (step.cause) {
    case TStepCause::None:
      return "";
    case TStepCause::ServerNotReached:
      return "Não foi possível baixar o pacote " + s +
             ": o servidor de distribuição não respondeu. Verifique a conexão com a Internet.";
    case TStepCause::AnswerCode:
      return "Não foi possível baixar o pacote " + s + ": o servidor respondeu com o código " +
             count + ".";
    case TStepCause::CutShort:
      return "O pacote " + s + " não chegou inteiro: a transferência foi interrompida.";
    case TStepCause::NotWritten:
      return "O pacote " + s + " não pôde ser gravado no disco: " + step.detail;
    case TStepCause::Damaged:
      return "O pacote " + s + " está danificado e não pôde ser aberto.";
    case TStepCause::FilesNotWritten:
      return count + (step.code == 1 ? " arquivo" : " arquivos") + " do pacote " + s +
             (step.code == 1 ? " não pôde ser gravado em " : " não puderam ser gravados em ") +
             step.detail + ".";
    case TStepCause::PasswordRefused:
      return "O pacote " + s + " é protegido por senha e " + count +
             (step.code == 1 ? " arquivo não pôde ser aberto"
                             : " arquivos não puderam ser abertos") +
             " sem a senha certa.";
    case TStepCause::SettingsNotWritten:
      return "Não foi possível gravar o arquivo de configuração " + s + ".";
    case TStepCause::ShortcutNotSaved:
      return "Não foi possível criar o atalho TORNEL na Área de Trabalho.";
    case TStepCause::FolderNotCreated:
      return "Não foi possível criar a pasta " + s + ".";
    case TStepCause::EngineNotLoaded:
      return "O componente de descompactação ArcaZip190.dll não pôde ser carregado para abrir o "
             "pacote " +
             s + ".";
    case TStepCause::NoRoom:
      return std::string("Espaço insuficiente em disco para ") +
             (step.kind == TStepKind::Fetch ? "baixar" : "descompactar") + " o pacote " + s +
             ": são necessários " + SizeText(step.code) + " na unidade " + step.detail + " e há " +
             SizeText(step.room) + " livres.";
    case TStepCause::Cancelled:
      return "A instalação foi cancelada.";
  }
  return "";
}

std::string TRunOutcome::SizeText(int64_t bytes) {
  constexpr int64_t kKiB = 1024;
  constexpr int64_t kMiB = kKiB * 1024;
  constexpr int64_t kGiB = kMiB * 1024;
  if (bytes < 0)
    bytes = 0;
  if (bytes < kMiB)
    return std::to_string((bytes + kKiB - 1) / kKiB) + " KB";
  const int64_t unit = bytes < kGiB ? kMiB : kGiB;
  // One decimal, rounded down so that the room left is never shown larger than it is.
  const int64_t tenths = bytes / (unit / 10);
  return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) +
         (unit == kMiB ? " MB" : " GB");
}

std::string TRunOutcome::FailureMessage(const std::vector<std::string>& notRemoved,
                                        const std::string& logPath) const {
  const TStep* failure = FirstFailure();
  std::string text = failure ? CauseText(*failure) : "A instalação não foi concluída.";
  text += "\r\rA instalação não foi concluída.";
  if (notRemoved.empty()) {
    text +=
        " O que ela criou neste computador foi removido; clique em Instalar para tentar "
        "novamente.";
  } else {
    text += " Não foi possível remover:";
    for (const std::string& path : notRemoved)
      text += "\r" + path;
  }
  if (!logPath.empty())
    text += "\r\rDetalhes em " + logPath;
  return text;
}

std::string TRunOutcome::Describe(const TStep& step) {
  std::string line = std::string(KindName(step.kind)) + " " + step.subject;
  if (!step.detail.empty() && step.cause != TStepCause::NotWritten)
    line += " (" + step.detail + ")";
  line += step.Succeeded() ? ": ok" : ": FALHOU - " + CauseText(step);
  return line;
}

}  // namespace installer
