#pragma once
#include <string>

// The installation log: a plain UTF-8 file in the user's temporary folder, appended to by
// every run. Each run starts with a heading that carries the date and time; each line after it
// is one step, with its time. A line that can't be written is lost, never the run: the log
// only tells what happened.
namespace installer {

class TInstallLog {
 public:
  // The log's place: "VareloSoft-Instalacao.log" in the user's temporary folder.
  static std::string DefaultPath();

  explicit TInstallLog(std::string path = DefaultPath()) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }
  // The heading of a new run: "=== Instalação <date> <time> ===" and the run's choices.
  void BeginRun(const std::string& choices);
  // One line, with the time of day in front.
  void Line(const std::string& text);

 private:
  std::string path_;
};

}  // namespace installer
