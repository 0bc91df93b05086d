// The installation run of the installer window: the steps after "Instalar", each recorded in
// the run's outcome and the log, the rollback of a run that did not succeed, and what the user
// is told at the end.
#include <algorithm>
#include <cstdio>

#include "download/DownloadErrors.h"
#include "installer/InstallPlaces.h"
#include "installer/uPrincipal.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/OsError.h"
#include "platform/Paths.h"
#include "platform/ui/Focus.h"

namespace installer {
namespace {

// Lower case of the letters A-Z only.
std::string LowerAsciiLetters(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Where an entry of a package lands under the folder, when its name is a plain relative path;
// empty for a name the engine does not place as it stands (a parent step, a root, a drive).
std::string PlainEntryTarget(const std::string& folder, const std::string& name) {
  if (name.empty() || name.front() == '\\' || name.front() == '/' ||
      name.find(':') != std::string::npos)
    return "";
  std::string target = folder;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos)
      end = name.size();
    const std::string part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..")
      return "";
    target += "\\" + part;
    start = end + 1;
  }
  return target;
}

}  // namespace

void TfrmPrincipal::fVsDownloadAfterDownload(download::TVsDownloadClass* Sender) {
  if (Sender == nullptr)
    return;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f s",
                static_cast<double>(platform::TickCount32() - fetchStart_) / 1000.0);
  log_.Line("  " + Sender->DownloadUrl() + ": resposta " + std::to_string(Sender->ResultCode()) +
            ", " + std::to_string(Sender->BytesDownloaded() - Sender->BytesResumed()) +
            " bytes recebidos em " + seconds +
            (Sender->BytesResumed() > 0
                 ? " (continuando de " + std::to_string(Sender->BytesResumed()) + ")"
                 : std::string()));
}

void TfrmPrincipal::BaixarArquivo(const std::string& folder, const std::string& name) {
  edURL.SetText(name);
  edFile.SetText(folder);
  platform::ForceDirectories(folder);  // a failure shows in the transfer, not here
  const std::string& text = edURL.Text();
  fVsDownload.SetDownloadUrl(
      LowerAsciiLetters(text).find("http") != std::string::npos ? text : baseUrl_ + text);
  fVsDownload.SetDownloadDest(edFile.Text());
  fVsDownload.StartDownload();
}

std::vector<TfrmPrincipal::TPackage> TfrmPrincipal::Packages() const {
  const bool workstation = chkEstacao.Checked();
  // Decided before the series starts: the engine is fetched once, when missing.
  const bool engineMissing = !platform::FileExists(kEngineFile);
  return {
      {engineMissing, kProductFolder, kEngineName},
      {true, kProductFolder, "VareloSoftInstalacao.zip"},
      {chkPaf.Checked(), kPafFolder, "VareloPafInstalacao.zip"},
      {!workstation, kDatabaseFolder, "banco.zip"},
      {workstation, kProductFolder, "GDS32.zip"},
      {workstation, kPafFolder, "GDS32.zip"},
  };
}

bool TfrmPrincipal::Record(TStep step) {
  log_.Line(TRunOutcome::Describe(step));
  const bool succeeded = step.Succeeded();
  outcome_.Record(std::move(step));
  return succeeded;
}

bool TfrmPrincipal::FetchPackage(const std::string& name) {
  const std::string fileName = platform::FileNameOf(name);
  if (cache_.Has(fileName)) {
    log_.Line("  " + fileName + " já estava inteiro no cache");
    return Record({TStepKind::Fetch, fileName, TStepCause::None, 0, cache_.PathOf(fileName)});
  }
  // A partial file the server will not continue goes, and the package is fetched once more
  // from its start.
  for (int attempt = 0;; ++attempt) {
    connected_ = false;
    fetchStart_ = platform::TickCount32();
    std::string error;
    try {
      BaixarArquivo(cache_.Folder(), name);
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (Closed())
      return Record({TStepKind::Fetch, fileName, TStepCause::Cancelled, 0, ""});
    const download::TVsDownloadClass& session = fVsDownload.Session();
    if (session.LastError() == download::kErrorNoRoom) {
      // What arrived stays in the cache, for the next run to continue once there is room.
      TStep step{TStepKind::Fetch, fileName, TStepCause::NoRoom, session.RoomNeeded(),
                 platform::DriveOf(cache_.Folder())};
      step.room = session.RoomFree();
      if (!error.empty())
        log_.Line("  " + error);
      return Record(std::move(step));
    }
    const int32_t code = session.ResultCode();
    if (error.empty() && cache_.DropUnusablePart(fileName, code) && attempt == 0)
      continue;
    return Record(cache_.Judge(fileName, code, connected_, error));
  }
}

bool TfrmPrincipal::FetchPackages() {
  if (!cache_.Create())
    return Record({TStepKind::Folder, cache_.Folder(), TStepCause::FolderNotCreated, 0, ""});
  // A package needed in two folders is fetched once.
  std::vector<std::string> fetched;
  for (const auto& package : Packages()) {
    if (!package.wanted)
      continue;
    if (std::find(fetched.begin(), fetched.end(), package.name) != fetched.end())
      continue;
    fetched.push_back(package.name);
    if (!FetchPackage(package.name))
      return false;
  }
  return true;
}

bool TfrmPrincipal::InstallEngine() {
  if (platform::FileExists(kEngineFile))
    return true;
  TStep step{TStepKind::Copy, kEngineFile, TStepCause::None, 0, ""};
  const auto bytes = platform::ReadWholeFile(cache_.PathOf(kEngineName), kMaxEngineBytes);
  rollback_.WillCreate(kEngineFile);
  if (!bytes || !platform::SaveWholeFile(kEngineFile, *bytes)) {
    step.cause = TStepCause::NotWritten;
    step.subject = kEngineName;
    step.detail = platform::OsErrorText(platform::LastOsError());
  }
  return Record(std::move(step));
}

TStep TfrmPrincipal::UnpackPackage(const std::string& archivePath, const std::string& name,
                                   const std::string& folder) {
  TStep step{TStepKind::Unpack, name, TStepCause::None, 0, folder};
  rollback_.Watch(folder);
  if (!platform::DirectoryExists(folder)) {
    step.cause = TStepCause::FolderNotCreated;
    step.subject = folder;
    return step;
  }
  passwordSkipped_ = 0;
  // The component's own dialog carries the application's title, as every message box does.
  ZipArca1.ApplicationTitle = application_.Title();
  ZipArca1.SetZipFileName(archivePath);
  if (ZipArca1.ErrCode() != 0) {
    step.cause = TStepCause::Damaged;
    step.detail = ZipArca1.ErrMessage();
    return step;
  }
  int files = 0;
  int64_t needed = 0;
  for (int i = 0; i < ZipArca1.Count(); ++i) {
    const archive::TZADirEntry* entry = ZipArca1.DirEntry(i);
    if (!entry || entry->IsDirOnly())
      continue;
    ++files;
    needed += std::max<int64_t>(entry->UncompressedSize(), 0);
  }
  // Too little room fails before anything is written.
  const int64_t room = platform::FreeDiskSpace(folder);
  if (room >= 0 && needed > room) {
    step.cause = TStepCause::NoRoom;
    step.code = needed;
    step.detail = platform::DriveOf(folder);
    step.room = room;
    return step;
  }
  // A file that is there already is replaced by the unpack: it is kept aside first, so that a
  // run that fails puts it back.
  int notKept = 0;
  for (int i = 0; i < ZipArca1.Count(); ++i) {
    const archive::TZADirEntry* entry = ZipArca1.DirEntry(i);
    if (!entry || entry->IsDirOnly())
      continue;
    const std::string target = PlainEntryTarget(folder, entry->FileName());
    if (!target.empty() && platform::FileExists(target) &&
        !rollback_.WillChange(target, TRollback::TAside::Move)) {
      log_.Line("  " + target + " não pôde ser guardado antes de ser substituído");
      ++notKept;
    }
  }
  if (notKept > 0) {
    step.cause = TStepCause::FilesNotWritten;
    step.code = notKept;
    return step;
  }
  ZipArca1.SetDLL_Load(true);
  if (!ZipArca1.DLL_Load()) {
    step.cause = TStepCause::EngineNotLoaded;
    step.detail = ZipArca1.ErrMessage();
    return step;
  }
  ZipArca1.SetCancel(false);
  ZipArca1.FSpecArgs = {"*.*"};
  ZipArca1.ExtrBaseDir = folder;
  ZipArca1.ExtrOptions.Include(archive::ExtrOverWrite);
  ZipArca1.Extract();
  const int written = ZipArca1.SuccessCnt();
  const int skipped = ZipArca1.SkippedCnt();
  const int errCode = ZipArca1.ErrCode();
  const std::string errText = ZipArca1.ErrMessage();
  ZipArca1.SetDLL_Load(false);
  if (Closed()) {
    step.cause = TStepCause::Cancelled;
  } else if (passwordSkipped_ > 0) {
    step.cause = TStepCause::PasswordRefused;
    step.code = passwordSkipped_;
  } else if (skipped > 0 || written < files || errCode != 0) {
    step.cause = TStepCause::FilesNotWritten;
    step.code = std::max(skipped, std::max(files - written, 1));
    if (errCode != 0)
      log_.Line("  " + errText);
  }
  return step;
}

bool TfrmPrincipal::UnpackPackages() {
  for (const auto& package : Packages()) {
    if (!package.wanted || platform::FileNameOf(package.name) == kEngineName)
      continue;
    const std::string fileName = platform::FileNameOf(package.name);
    std::string folder = package.folder;
    while (!folder.empty() && folder.back() == '\\')
      folder.pop_back();
    TStep step = UnpackPackage(cache_.PathOf(fileName), fileName, folder);
    const bool keep =
        step.cause == TStepCause::Cancelled || step.cause == TStepCause::PasswordRefused ||
        step.cause == TStepCause::NoRoom || step.cause == TStepCause::FolderNotCreated;
    if (!step.Succeeded() && !keep)
      cache_.Discard(fileName);
    if (step.cause == TStepCause::EngineNotLoaded)
      cache_.Discard(kEngineName);
    if (!Record(std::move(step)))
      return false;
  }
  return true;
}

bool TfrmPrincipal::WriteSetting(const std::string& fileName, const std::string& section,
                                 const std::string& key, const std::string& value) {
  TStep step{TStepKind::Settings, fileName, TStepCause::None, 0, section + "\\" + key};
  if (!rollback_.WillChange(fileName, TRollback::TAside::Copy)) {
    step.cause = TStepCause::SettingsNotWritten;
    step.detail = "o arquivo existente não pôde ser guardado";
    return Record(std::move(step));
  }
  try {
    GravarIni(fileName, section, key, value);
  } catch (const std::exception& e) {
    step.cause = TStepCause::SettingsNotWritten;
    step.detail = e.what();
  }
  return Record(std::move(step));
}

bool TfrmPrincipal::WriteWorkstationSettings() {
  if (!WriteSetting(kUpdaterSettings, "CONFIGURACAO", "INSTALACAO", "N"))
    return false;
  if (pc.ActivePage() == &tsLocal) {
    return WriteSetting(kMainSettings, "ListaServidores", "NomeBanco1", "Local") &&
           WriteSetting(kMainSettings, "ListaServidores", "CaminhoBanco1",
                        edtServidor.Text() + ":" + edtCaminho.Text());
  }
  return WriteSetting(kMainSettings, "ListaServidores", "NomeBanco1", "&Local") &&
         WriteSetting(kMainSettings, "ListaServidores", "CaminhoBanco1",
                      SubstituirTexto(edtEmpresa.Text(), "&", ""));
}

bool TfrmPrincipal::MakeShortcut() {
  TStep step{TStepKind::Shortcut, "Tornel.lnk", TStepCause::None, 0, ""};
  try {
    const std::string saved =
        CriarAtalho("C:\\Varelo\\Ondrel.exe", "", "C:\\Varelo\\", "Tornel", "", 1);
    if (saved.empty())
      step.cause = TStepCause::ShortcutNotSaved;
    step.detail = saved;
  } catch (const std::exception& e) {
    step.cause = TStepCause::ShortcutNotSaved;
    step.detail = e.what();
  }
  return Record(std::move(step));
}

void TfrmPrincipal::RunSteps() {
  if (!Record(
          {TStepKind::Folder, kProductFolder,
           rollback_.ForceFolder(kProductFolder) ? TStepCause::None : TStepCause::FolderNotCreated,
           0, ""}))
    return;
  if (!FetchPackages() || !InstallEngine() || !UnpackPackages())
    return;
  if (chkEstacao.Checked() && !WriteWorkstationSettings())
    return;
  MakeShortcut();
}

std::string TfrmPrincipal::Choices() const {
  std::string choices = chkEstacao.Checked() ? "estação" : "completa";
  if (chkEstacao.Checked())
    choices += pc.ActivePage() == &tsLocal ? " em rede" : " nas nuvens";
  if (chkPaf.Checked())
    choices += ", com PDV - PAF";
  return "opções: " + choices + "; servidor de distribuição " + baseUrl_ + "; cache " +
         cache_.Folder();
}

void TfrmPrincipal::LockWindow(bool locked) {
  btnInstalar.SetEnabled(!locked);
  chkEstacao.SetEnabled(!locked);
  chkLocal.SetEnabled(!locked);
  pc.SetEnabled(!locked);
  chkPaf.SetEnabled(!locked);
}

void TfrmPrincipal::FinishRun() {
  if (outcome_.Succeeded()) {
    rollback_.Forget();
    if (!cache_.Remove())
      log_.Line("a pasta " + cache_.Folder() + " não pôde ser removida");
    log_.Line("instalação concluída");
    application_.MessageBox(kMsgDone);
    Close();
    return;
  }
  const std::vector<std::string> notRemoved = rollback_.Undo();
  log_.Line(notRemoved.empty() ? "desfeito: o que a instalação criou foi removido"
                               : "desfeito, exceto " + std::to_string(notRemoved.size()) +
                                     " itens que não puderam ser removidos");
  for (const std::string& path : notRemoved)
    log_.Line("  não removido: " + path);
  ProgressBar1.SetPosition(0);
  lConnectionInfo.SetCaption("");
  if (Closed()) {
    // Cancelled by the close box: the user has been asked already; only what stayed is told.
    if (!notRemoved.empty())
      application_.Service().ShowError(application_.Title(),
                                       outcome_.FailureMessage(notRemoved, log_.Path()));
    return;
  }
  application_.Service().ShowError(application_.Title(),
                                   outcome_.FailureMessage(notRemoved, log_.Path()));
  LockWindow(false);
}

void TfrmPrincipal::btnInstalarClick(ui::TControl&) {
  if (platform::FileExists(kEarlierSettings) || platform::DirectoryExists(kEarlierFolder)) {
    lastPress_ = TPress::EarlierInstallation;
    application_.MessageBox(kMsgInstalled);
    return;
  }
  if (chkEstacao.Checked()) {
    if (pc.ActivePage() == &tsLocal) {
      if (edtServidor.Text().empty() || edtCaminho.Text().empty()) {
        lastPress_ = TPress::Incomplete;
        application_.MessageBox(kMsgNetwork);
        ui::SetFocus(edtServidor);
        return;
      }
    } else if (edtEmpresa.Text().empty()) {
      lastPress_ = TPress::Incomplete;
      application_.MessageBox(kMsgCloud);
      ui::SetFocus(edtEmpresa);
      return;
    }
  }

  lastPress_ = TPress::Ran;
  LockWindow(true);
  outcome_.Clear();
  log_.BeginRun(Choices());
  {
    running_ = true;
    struct TRunning {
      bool& flag;
      ~TRunning() { flag = false; }
    } running{running_};
    RunSteps();
  }
  FinishRun();
}

}  // namespace installer
