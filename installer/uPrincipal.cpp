#include "installer/uPrincipal.h"

#include <algorithm>
#include <array>

#include "installer/Artwork.h"
#include "installer/InstallPlaces.h"
#include "installer/InstallerErrors.h"
#include "installer/ProgressText.h"
#include "platform/File.h"
#include "platform/IniFile.h"
#include "platform/Locale.h"
#include "platform/OsError.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/ShellLink.h"
#include "platform/ui/Focus.h"

namespace installer {
namespace {

using ui::TColor;
using ui::TFont;
using ui::TGlowState;
using ui::TGradientDirection;

constexpr int kClientWidth = 618;
constexpr int kClientHeight = 413;

// Colours of the install button.
constexpr TColor kCream = 0xFFFDEB;
constexpr TColor kHotBorder = 0xDBCE99;
constexpr TColor kOrange = 0xF1720E;
constexpr TColor kLightOrange = 0xFD9F4C;
constexpr TColor kDownBorder = 0x7B6645;
constexpr TColor kDisabledFace = 0xF2F2F2;
constexpr TColor kDisabledShade = 0xB6B6B6;

// Where the user's special folders are named, under HKEY_CURRENT_USER.
constexpr const char* kExplorerKey = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer";
constexpr const char* kShellFoldersKey = "Shell Folders";

// The "Shell Folders" value of each special-folder index up to 19; every other index is the
// desktop.
constexpr std::array<const char*, 20> kSpecialFolders = {
    "Desktop",   "Desktop",   "Templates",     "AppData",     "Start Menu",
    "Programs",  "Startup",   "Fonts",         "SendTo",      "Recent",
    "Favorites", "Cache",     "Cookies",       "History",     "NetHood",
    "Personal",  "PrintHood", "Local AppData", "My Pictures", "Administrative Tools",
};

// The download component as the window's layout configures it.
constexpr int32_t kRecvBufferSize = 65536;
constexpr int32_t kHttpTimeoutMs = 90000;
constexpr int32_t kFtpTimeoutMs = 300000;

constexpr const char* kMsgCancelQuestion = "Deseja cancelar a instalação?";
// Portuguese as the primary language of the user's locale.
constexpr uint16_t kPortuguese = 0x16;

// Past this many matches formed by replacements at least as long as the text they replace,
// searching again from the start is taken to run on without end (the text keeps growing),
// and the text is replaced in one pass instead.
constexpr size_t kMaxFormedMatches = 10000;

TFont Tahoma(int height) {
  return TFont{"Tahoma", height, false, ui::clWindowText};
}

ui::TPicture Decode(std::string_view bytes) {
  ui::TPicture picture;
  picture.LoadFromMemory(bytes);
  return picture;
}

// Upper case of the letters a-z only; accented letters and every other byte stay as they are.
std::string UpperAsciiLetters(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// One pass from left to right: after each replacement the search goes on after the text
// that was put in, so a replacement that contains what it replaces ends.
std::string ReplaceInOnePass(const std::string& text, const std::string& upperOld,
                             const std::string& newText) {
  const std::string upper = UpperAsciiLetters(text);
  std::string result;
  size_t from = 0;
  for (size_t p = upper.find(upperOld); p != std::string::npos; p = upper.find(upperOld, from)) {
    result.append(text, from, p - from);
    result += newText;
    from = p + upperOld.size();
  }
  result.append(text, from, std::string::npos);
  return result;
}

}  // namespace

TfrmPrincipal::TfrmPrincipal(ui::TApplication& application)
    : TfrmPrincipal(application, BaseUrl()) {}

TfrmPrincipal::TfrmPrincipal(ui::TApplication& application, std::string baseUrl)
    : TfrmPrincipal(application, std::move(baseUrl), TPackageCache(), TInstallLog()) {}

TfrmPrincipal::TfrmPrincipal(ui::TApplication& application, std::string baseUrl,
                             TPackageCache cache, TInstallLog log)
    : TForm("frmPrincipal"),
      ZipArca1(&application.Service()),
      application_(application),
      baseUrl_(std::move(baseUrl)),
      cache_(std::move(cache)),
      log_(std::move(log)) {
  // The files a run replaces wait in the cache until the run has succeeded.
  rollback_.SetAsideFolder(cache_.Folder() + "\\anterior");
  LayOutWindow();
  LayOutOptions();
  LayOutPages();
  LayOutButton();
  SetUpDownload();
  SetUpArchive();
  // Wired last, so that setting up the options raises nothing.
  chkEstacao.OnClick = [this](ui::TControl& sender) { chkEstacaoClick(sender); };
  chkLocal.OnClick = [this](ui::TControl& sender) { chkEstacaoClick(sender); };
  btnInstalar.OnClick = [this](ui::TControl& sender) { btnInstalarClick(sender); };
  OnClose = [this](ui::TControl&) { FormClose(); };
  OnCloseQuery = [this](ui::TControl&, bool& canClose) { FormCloseQuery(canClose); };
}

const char* TfrmPrincipal::BaseUrl() {
  return VARELO_BASE_URL;
}

void TfrmPrincipal::LayOutWindow() {
  SetCaption("VareloSoft - Instalação");
  SetClientSize(kClientWidth, kClientHeight);
  SetResizable(false);
  SetBorderIcons(false, false);
  SetCenterOnScreen(true);
  SetColor(ui::clWhite);
  SetFont(Tahoma(11));
  SetIcon(Decode(artwork::Icon()));

  Image1.SetBounds(13, 144, 225, 225);
  Image1.SetAutoSize(true);
  Image1.SetPicture(Decode(artwork::Illustration()));

  Image2.SetBounds(8, 8, 599, 133);
  Image2.SetAutoSize(true);
  Image2.SetPicture(Decode(artwork::Banner()));

  // The status text of transfers; nothing ever shows it.
  lConnectionInfo.SetBounds(530, 140, 77, 13);
  lConnectionInfo.SetCaption("Connection Info");
  lConnectionInfo.SetAlignment(ui::TAlignment::RightJustify);
  lConnectionInfo.SetColor(ui::clBtnFace);
  lConnectionInfo.SetVisible(false);

  Image3.SetBounds(6, 338, 233, 49);
  Image3.SetCenter(true);
  Image3.SetProportional(true);
  Image3.SetPicture(Decode(artwork::SecondLogo()));

  ProgressBar1.SetBounds(0, 393, 618, 20);
  ProgressBar1.SetAlign(ui::TAlign::Bottom);
  ProgressBar1.SetMin(0);
  ProgressBar1.SetMax(100);
  ProgressBar1.SetPosition(0);
  ProgressBar1.SetTabOrder(3);
}

void TfrmPrincipal::LayOutOptions() {
  chkLocal.SetBounds(259, 153, 351, 17);
  chkLocal.SetCaption("Instalação Completa com Banco de Dados");
  chkLocal.SetFont(Tahoma(17));
  chkLocal.SetChecked(true);
  chkLocal.SetTabOrder(2);

  chkEstacao.SetBounds(259, 176, 351, 17);
  chkEstacao.SetCaption("Instalação de Estação Sem Banco de Dados");
  chkEstacao.SetFont(Tahoma(17));
  chkEstacao.SetChecked(false);
  chkEstacao.SetTabOrder(1);

  chkPaf.SetBounds(260, 199, 350, 17);
  chkPaf.SetCaption("Instalação do PDV - PAF");
  chkPaf.SetFont(Tahoma(17));
  chkPaf.SetChecked(false);
  chkPaf.SetTabOrder(5);
}

void TfrmPrincipal::LayOutPages() {
  pc.SetBounds(259, 227, 351, 112);
  pc.SetTabOrder(0);

  tsLocal.SetCaption("Rede");
  Label4.SetBounds(8, 2, 40, 13);
  Label4.SetCaption("Servidor");
  edtServidor.SetBounds(7, 18, 328, 21);
  edtServidor.SetMaxLength(kServerMaxLength);
  edtServidor.SetTabOrder(1);
  Label1.SetBounds(8, 43, 41, 13);
  Label1.SetCaption("Caminho");
  edtCaminho.SetBounds(7, 59, 328, 21);
  edtCaminho.SetMaxLength(kPathMaxLength);
  edtCaminho.SetTabOrder(0);

  tsNuvens.SetCaption("Nuvens");
  Label2.SetBounds(8, 4, 81, 13);
  Label2.SetCaption("Alias da Empresa");
  edtEmpresa.SetBounds(7, 23, 328, 21);
  edtEmpresa.SetMaxLength(kAliasMaxLength);
  edtEmpresa.SetUpperCase(true);
  edtEmpresa.SetTabOrder(0);

  // The fetch parameters of the package being fetched live on a page the user never sees.
  TabSheet1.SetCaption("Down");
  TabSheet1.SetTabVisible(false);
  Label11.SetBounds(3, 4, 109, 13);
  Label11.SetCaption("Nome Arquivo a baixar");
  Label11.SetColor(ui::clBtnFace);
  edURL.SetBounds(3, 23, 337, 21);
  edURL.SetEnabled(false);
  edURL.SetTabOrder(0);
  lFile.SetBounds(3, 47, 61, 13);
  lFile.SetCaption("Pasta Detino");
  lFile.SetColor(ui::clBtnFace);
  edFile.SetBounds(3, 66, 337, 21);
  edFile.SetEnabled(false);
  edFile.SetAnchorRight(true);
  edFile.SetTabOrder(1);

  pc.SetActivePage(&tsLocal);
  pc.SetVisible(false);
}

void TfrmPrincipal::LayOutButton() {
  btnInstalar.SetBounds(259, 345, 351, 41);
  btnInstalar.SetCaption("Instalar");
  btnInstalar.SetFont(TFont{"MS Sans Serif", 13, true, ui::clWhite});
  btnInstalar.SetTabOrder(4);

  const auto vertical = TGradientDirection::Vertical;
  const auto horizontal = TGradientDirection::Horizontal;
  btnInstalar.StateColors(TGlowState::Normal) = {
      {ui::clBlue, ui::clBlue, horizontal}, {ui::clBlue, ui::clBlue, horizontal}, ui::clBlue};
  btnInstalar.StateColors(TGlowState::Hot) = {
      {kCream, ui::clBlack, vertical}, {ui::clBlack, ui::clBlack, vertical}, kHotBorder};
  btnInstalar.StateColors(TGlowState::Down) = {
      {ui::clBlack, ui::clBlack, vertical}, {kOrange, kLightOrange, vertical}, kDownBorder};
  btnInstalar.StateColors(TGlowState::Checked) = {
      {ui::clBlack, ui::clBlack, vertical}, {ui::clBlack, ui::clBlack, horizontal}, std::nullopt};
  btnInstalar.StateColors(TGlowState::Disabled) = {{kDisabledFace, kDisabledFace, horizontal},
                                                   {kDisabledShade, kDisabledFace, horizontal},
                                                   std::nullopt};
}

void TfrmPrincipal::SetUpDownload() {
  fVsDownload.SetProtocolo(download::protHTTP);
  fVsDownload.SetSizeRecvBuffer(kRecvBufferSize);
  fVsDownload.Proxy().ProxyTimeout = kHttpTimeoutMs;
  fVsDownload.FTP().FtpTimeout = kFtpTimeoutMs;
  fVsDownload.SetOnAfterDownload(
      [this](download::TVsDownloadClass* sender) { fVsDownloadAfterDownload(sender); });
  fVsDownload.SetOnHookStatus([this](net::TBlockingSocket* sender, net::THookSocketReason reason,
                                     int32_t toDownload, int32_t downloaded) {
    fVsDownloadHookStatus(sender, reason, toDownload, downloaded);
  });
  fVsDownload.SetOnHookMonitor([this](net::TBlockingSocket* sender, int32_t toDownload,
                                      int32_t downloaded, double speed, uint16_t hour, uint16_t min,
                                      uint16_t sec) {
    fVsDownloadHookMonitor(sender, toDownload, downloaded, speed, hour, min, sec);
  });
  // While a fetch waits on a silent server the window still answers, every 100 ms at the
  // latest: the close box asks at once, and its pause takes effect at the next slice.
  fVsDownload.SetOnIdle([this](download::TVsDownloadClass*) {
    if (!Closed())
      application_.ProcessMessages();
  });
}

void TfrmPrincipal::FormClose() {
  // A pause, not a stop: the partial file stays in the cache, nothing is finished
  // half-written, and the next run continues it. An unpack under way stops at its next entry.
  if (!running_)
    return;
  fVsDownload.SetDownloadStatus(download::stPause);
  ZipArca1.SetCancel(true);
}

void TfrmPrincipal::FormCloseQuery(bool& canClose) {
  if (!running_)
    return;
  if (!askBeforeCancel_) {
    log_.Line("a janela foi fechada: a instalação foi cancelada");
    return;
  }
  ui::TQuestion question;
  question.caption = application_.Title();
  question.text = kMsgCancelQuestion;
  question.buttons = {"&Sim", "&Não"};
  question.defaultButton = 1;
  question.cancelButton = 1;
  std::string unused;
  // Não, or the question closed: the run goes on.
  canClose = application_.Service().Ask(question, unused) == 0 && running_;
  if (canClose)
    log_.Line("o usuário cancelou a instalação");
}

void TfrmPrincipal::fVsDownloadHookStatus(net::TBlockingSocket* Sender,
                                          net::THookSocketReason Reason, int32_t BytesToDownload,
                                          int32_t BytesDownloaded) {
  switch (Reason) {
    case net::HR_SocketClose:
      switch (fVsDownload.DownloadStatus()) {
        case download::stStop:
          ProgressBar1.SetPosition(0);
          lConnectionInfo.SetCaption("Download Encerrado...");
          break;
        case download::stDownload:
          lConnectionInfo.SetCaption("Download Finalizado.");
          break;
        case download::stPause:
          lConnectionInfo.SetCaption("Download Pausado...");
          break;
        default:
          break;
      }
      break;
    case net::HR_Connect:
      // Reported after every attempt; only one without an error reached the server.
      connected_ = connected_ || (Sender != nullptr && Sender->LastError() == 0);
      ProgressBar1.SetPosition(0);
      break;
    case net::HR_ReadCount:
      ProgressBar1.SetMax(BytesToDownload);
      ProgressBar1.SetPosition(BytesDownloaded);
      break;
    default:
      break;
  }
}

void TfrmPrincipal::fVsDownloadHookMonitor(net::TBlockingSocket*, int32_t BytesToDownload,
                                           int32_t BytesDownloaded, double AverageSpeed, uint16_t,
                                           uint16_t, uint16_t Sec) {
  ProgressBar1.SetPosition(BytesDownloaded);
  // Once the window is closed there is nothing left to paint, and no message to handle.
  if (Closed())
    return;
  application_.ProcessMessages();
  lConnectionInfo.SetCaption(ProgressLabel(BytesToDownload, BytesDownloaded, AverageSpeed, Sec,
                                           platform::DecimalSeparator(),
                                           platform::ThousandSeparator()));
}

void TfrmPrincipal::SetUpArchive() {
  ZipArca1.DLLDirectory = kProductFolder;
  ZipArca1.SetDLL_Load(false);
  ZipArca1.ExtrOptions = {};
  ZipArca1.Unattended = false;
  // The component's dialogs in the user's language: its Brazilian table on a Portuguese
  // system, its built-in English otherwise.
  if ((platform::UserLocaleId() & 0x3FF) == kPortuguese)
    ZipArca1.SetLanguage("BR");
  // Every skip the engine reports goes to the log, and those for a wrong password are counted
  // for the message; the engine's own count of the entries it left unwritten decides the step
  // (a duplicate reported and then written anyway is not among them).
  ZipArca1.Events.OnSkipped = [this](archive::TZipArca19*, const std::string& file,
                                     TZASkipTypes type, int&) {
    if (type == stBadPassword)
      ++passwordSkipped_;
    log_.Line("  arquivo não gravado: " + file);
  };
}

void TfrmPrincipal::chkEstacaoClick(ui::TControl&) {
  pc.SetVisible(chkEstacao.Checked());
}

void TfrmPrincipal::GravarIni(const std::string& fileName, const std::string& section,
                              const std::string& key, const std::string& value) {
  platform::TIniFile ini(fileName);
  ini.WriteString(section, key, value);
}

std::string TfrmPrincipal::SubstituirTexto(const std::string& text, const std::string& oldText,
                                           const std::string& newText) {
  if (oldText.empty())
    return text;
  const std::string upperOld = UpperAsciiLetters(oldText);
  const std::string upperNew = UpperAsciiLetters(newText);
  // Searching again from the start would find the replacement's own copy of oldText for
  // ever; such a replacement goes on after the text it put in instead.
  if (upperNew.find(upperOld) != std::string::npos)
    return ReplaceInOnePass(text, upperOld, newText);

  // Otherwise each search starts over from the beginning, so that a match formed by the
  // replacement with the text before it is replaced too. Text before the match just replaced
  // held no match, so a new one can begin at most oldText's length minus one before it.
  std::string result = text;
  std::string upper = UpperAsciiLetters(text);
  const size_t n = upperOld.size();
  size_t formed = 0;
  size_t p = upper.find(upperOld);
  while (p != std::string::npos) {
    result.replace(p, n, newText);
    upper.replace(p, n, upperNew);
    const size_t next = upper.find(upperOld, p >= n - 1 ? p - (n - 1) : 0);
    // A match that overlaps the text just put in was formed by the replacement. A shorter
    // replacement always ends, as the text shrinks; an equal or longer one may go on forming
    // matches for ever.
    const bool madeByReplacement = next != std::string::npos && next < p + upperNew.size();
    if (madeByReplacement && upperNew.size() >= n && ++formed > kMaxFormedMatches)
      return ReplaceInOnePass(text, upperOld, newText);
    p = next;
  }
  return result;
}

std::string TfrmPrincipal::CriarAtalho(const std::string& target, const std::string& arguments,
                                       const std::string& workingFolder,
                                       const std::string& linkName, const std::string& subfolder,
                                       uint8_t specialFolder) {
  platform::THResult result = platform::S_OK_;
  auto object = platform::CreateComObject(platform::CLSID_ShellLink, &result);
  if (!object) {
    throw EOleSysError(platform::SysErrorMessage(result) +
                       ", ClassID: " + platform::CLSID_ShellLink);
  }
  platform::IShellLinkW* link = object->QueryShellLink();
  platform::IPersistFile* file = object->QueryPersistFile();
  if (!link || !file)
    throw EIntfCastError("Interface not supported");

  // The outcomes of these calls are not looked at; the save's tells whether the shortcut is
  // there.
  link->SetArguments(arguments);
  link->SetPath(target);
  link->SetWorkingDirectory(workingFolder);

  const char* valueName =
      specialFolder < kSpecialFolders.size() ? kSpecialFolders[specialFolder] : "Desktop";
  platform::TRegistry registry;
  std::string special;
  if (registry.OpenKey(kExplorerKey, true) && registry.OpenSubKey(kShellFoldersKey))
    special = registry.ReadString(valueName);
  registry.CloseKey();
  // Without the special folder's path there is no place for the shortcut: the path would
  // start at the root of the current drive (or the network), so nothing is written at all.
  if (special.empty())
    return "";

  const std::string folder = special + "\\" + subfolder;
  platform::CreateDir(folder);  // usually exists already
  const std::string path = folder + "\\" + linkName + ".lnk";
  // A shortcut of that name that was there is put back when the run fails.
  if (!rollback_.WillChange(path, TRollback::TAside::Copy))
    return "";
  if (file->Save(path, false) != platform::S_OK_)
    return "";
  return path;
}

}  // namespace installer
