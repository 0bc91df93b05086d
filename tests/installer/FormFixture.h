#pragma once
#include <string>
#include <vector>

#include "installer/uPrincipal.h"
#include "platform/ComApartment.h"
#include "platform/ui/Application.h"
#include "platform/ui/Picture.h"
#include "platform/ui/UiService.h"
#include "tests/support/TempDir.h"

// The installer window without a display: a scripted screen service records every box shown.
namespace installer {

class TRecordingUiService : public platform::ui::IUiService {
 public:
  struct TBox {
    std::string caption;
    std::string text;
    bool error = false;
  };

  void ShowMessage(const std::string& caption, const std::string& text) override {
    boxes.push_back({caption, text, false});
  }
  void ShowError(const std::string& caption, const std::string& text) override {
    boxes.push_back({caption, text, true});
  }
  // A question is recorded as a box too; the script answers it (the cancel button otherwise).
  int Ask(const platform::ui::TQuestion& question, std::string& edit) override {
    boxes.push_back({question.caption, question.text, false});
    questions.push_back(question);
    if (onAsk)
      return onAsk(question, edit);
    return question.cancelButton < 0 ? static_cast<int>(question.buttons.size()) - 1
                                     : question.cancelButton;
  }
  void ProcessMessages() override {
    ++processed;
    if (onProcessMessages)
      onProcessMessages();
  }
  void Run(platform::ui::TForm&, const std::function<void(const std::exception&)>&) override {}
  void SetTitle(const std::string& title) override { this->title = title; }
  void SetIcon(const platform::ui::TPicture& icon) override {
    iconWidth = icon.Width();
    iconHeight = icon.Height();
  }

  std::vector<TBox> boxes;
  std::vector<platform::ui::TQuestion> questions;
  std::function<int(const platform::ui::TQuestion&, std::string&)> onAsk;
  int iconWidth = 0;
  int iconHeight = 0;
  int processed = 0;
  // What the user does while the window handles its messages (closing it, say).
  std::function<void()> onProcessMessages;
  std::string title;
};

// The window's own operations, which the installation run calls.
struct TfrmPrincipalTestAccess {
  static void GravarIni(TfrmPrincipal& form, const std::string& fileName,
                        const std::string& section, const std::string& key,
                        const std::string& value) {
    form.GravarIni(fileName, section, key, value);
  }
  static std::string SubstituirTexto(const std::string& text, const std::string& oldText,
                                     const std::string& newText) {
    return TfrmPrincipal::SubstituirTexto(text, oldText, newText);
  }
  static void CriarAtalho(TfrmPrincipal& form, const std::string& target,
                          const std::string& arguments, const std::string& workingFolder,
                          const std::string& linkName, const std::string& subfolder,
                          uint8_t specialFolder) {
    form.CriarAtalho(target, arguments, workingFolder, linkName, subfolder, specialFolder);
  }
  static void BaixarArquivo(TfrmPrincipal& form, const std::string& folder,
                            const std::string& name) {
    form.BaixarArquivo(folder, name);
  }
};

// The download cache and the log of a test's window, in the test's own prefix (the user's
// temporary folder under Wine is the build prefix's, shared by every test).
inline std::string TestCacheFolder() {
  return varelo::test::InPrefix("c:\\users\\Temp\\VareloSoft");
}
inline std::string TestLogPath() {
  return varelo::test::InPrefix("c:\\users\\Temp\\VareloSoft-Instalacao.log");
}

// A window as the program makes it, with the application title set.
struct TFormHarness {
  TFormHarness() { application.SetTitle("VareloSoft - Instalador"); }
  explicit TFormHarness(const std::string& baseUrl)
      : form{application, baseUrl, TPackageCache(TestCacheFolder()), TInstallLog(TestLogPath())} {
    application.SetTitle("VareloSoft - Instalador");
  }
  // Presses "Instalar" as the message loop does: a failure that leaves the handler goes to
  // the application's error box.
  void PressInstalar() {
    try {
      form.btnInstalar.Click();
    } catch (const std::exception& error) {
      application.ShowException(error);
    }
  }
  // The program's main thread joins an apartment before it makes the window (the shortcut is
  // a shell link object on Windows); nothing on Linux.
  platform::TComApartment apartment;
  TRecordingUiService service;
  platform::ui::TApplication application{service};
  TfrmPrincipal form{application};
};

}  // namespace installer
