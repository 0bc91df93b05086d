// The installer as the end-to-end tests run it: the shipped program's window on the real
// screen, with two differences that only the tests need.
//  - The distribution server is the one the test started on a free port, named by
//    VARELO_E2E_BASE_URL: the shipped program's server is fixed when it is built.
//  - Every message box the program shows is also written, before it appears, to the file named
//    by VARELO_E2E_MESSAGE_LOG, so that a test reads what the user was told from the program's
//    own record rather than from pixels. One line a box: the kind ("message", "error",
//    "question" or "password"), a
//    tab, the caption, a tab, the text with backslash, carriage return and line feed written
//    as \\, \r and \n.
// The command line is the shipped program's (installer/CommandLine.h).
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "installer/Program.h"
#include "platform/ProgramStart.h"
#include "platform/ui/UiService.h"

namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

// Passes everything on to the screen, recording each box first.
class TRecordingService : public platform::ui::IUiService {
 public:
  TRecordingService(std::unique_ptr<platform::ui::IUiService> screen, std::string logPath)
      : screen_(std::move(screen)), logPath_(std::move(logPath)) {}

  void ShowMessage(const std::string& caption, const std::string& text) override {
    Record("message", caption, text);
    screen_->ShowMessage(caption, text);
  }
  void ShowError(const std::string& caption, const std::string& text) override {
    Record("error", caption, text);
    screen_->ShowError(caption, text);
  }
  // A question is recorded as "question", or "password" when it asks for one.
  int Ask(const platform::ui::TQuestion& question, std::string& edit) override {
    Record(question.secret ? "password" : "question", question.caption, question.text);
    return screen_->Ask(question, edit);
  }
  void ProcessMessages() override { screen_->ProcessMessages(); }
  void Run(platform::ui::TForm& form,
           const std::function<void(const std::exception&)>& onError) override {
    screen_->Run(form, onError);
  }
  void SetTitle(const std::string& title) override { screen_->SetTitle(title); }
  void SetIcon(const platform::ui::TPicture& icon) override { screen_->SetIcon(icon); }

 private:
  // Appended and closed at once, so the record is complete while the box is on the screen.
  void Record(const char* kind, const std::string& caption, const std::string& text) {
    const std::string line =
        std::string(kind) + "\t" + Escaped(caption) + "\t" + Escaped(text) + "\n";
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(logPath_.c_str(), "ab"), &std::fclose);
    if (file)
      std::fwrite(line.data(), 1, line.size(), file.get());
  }

  std::unique_ptr<platform::ui::IUiService> screen_;
  std::string logPath_;
};

}  // namespace

int main(int argc, char** argv) {
  const char* baseUrl = std::getenv("VARELO_E2E_BASE_URL");
  const char* log = std::getenv("VARELO_E2E_MESSAGE_LOG");
  if (baseUrl == nullptr || log == nullptr) {
    std::fprintf(stderr, "VARELO_E2E_BASE_URL and VARELO_E2E_MESSAGE_LOG must be set\n");
    return 2;
  }
  const std::string logPath = log;
  return installer::RunInstaller(
      platform::ProgramArguments(argc, argv),
      [&] {
        return std::make_unique<TRecordingService>(platform::ui::CreateScreenService(), logPath);
      },
      baseUrl, platform::ProgramHasConsole());
}
