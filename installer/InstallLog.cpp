#include "installer/InstallLog.h"

#include <cstdio>

#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/Paths.h"

namespace installer {
namespace {

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string TimeOfDay(const platform::TLocalTime& t) {
  return TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

// Appends the text at the end of the file, creating it when missing.
void Append(const std::string& path, const std::string& text) {
  platform::TFile file;
  if (!file.Open(path, platform::TFileAccess::Write, platform::TFileCreate::OpenAlways))
    return;
  if (file.Seek(0, platform::TSeekOrigin::End) < 0)
    return;
  file.Write(text.data(), text.size());
  file.Close();
}

}  // namespace

std::string TInstallLog::DefaultPath() {
  return platform::UserTempFolder() + "\\VareloSoft-Instalacao.log";
}

void TInstallLog::BeginRun(const std::string& choices) {
  const size_t cut = path_.find_last_of("\\/");
  if (cut != std::string::npos)
    platform::ForceDirectories(path_.substr(0, cut));
  const platform::TLocalTime t = platform::LocalNow();
  const std::string date =
      TwoDigits(t.day) + "/" + TwoDigits(t.month) + "/" + std::to_string(t.year);
  Append(path_, "\r\n=== Instalação " + date + " " + TimeOfDay(t) + " ===\r\n" + choices + "\r\n");
}

void TInstallLog::Line(const std::string& text) {
  Append(path_, TimeOfDay(platform::LocalNow()) + "  " + text + "\r\n");
}

}  // namespace installer
