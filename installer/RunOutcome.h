#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The outcome of one installation run: every step with what it worked on and how it ended.
// The run is a success only when every step succeeded; otherwise the first failure is what the
// user is told, in words a shop owner understands.
namespace installer {

enum class TStepKind { Folder, Fetch, Copy, Unpack, Settings, Shortcut };

enum class TStepCause {
  None,                // the step succeeded
  ServerNotReached,    // no connection to the distribution server
  AnswerCode,          // the server answered with a code other than success (code)
  CutShort,            // the transfer ended before the whole package arrived
  NotWritten,          // the package could not be written to the disk (detail)
  Damaged,             // the package is no valid archive (detail: the component's text)
  FilesNotWritten,     // entries of the package could not be written (count)
  PasswordRefused,     // entries could not be decrypted (count)
  SettingsNotWritten,  // a settings file could not be written
  ShortcutNotSaved,    // the desktop shortcut could not be saved
  FolderNotCreated,    // a folder could not be created
  EngineNotLoaded,     // the extraction engine could not be loaded (detail)
  NoRoom,              // too little free space on the drive (code: bytes needed; detail: the
                       // drive; room: its free bytes)
  Cancelled,           // the user stopped the run
};

struct TStep {
  TStepKind kind = TStepKind::Folder;
  // The package's name, or the path of the folder or file.
  std::string subject;
  TStepCause cause = TStepCause::None;
  // The answer code, or the number of entries not written.
  int64_t code = 0;
  // More for the log and the message: the component's text, the folder unpacked into.
  std::string detail;
  // The free bytes of the drive that had too little room.
  int64_t room = 0;
  bool Succeeded() const { return cause == TStepCause::None; }
};

class TRunOutcome {
 public:
  void Record(TStep step) { steps_.push_back(std::move(step)); }
  void Clear() { steps_.clear(); }
  const std::vector<TStep>& Steps() const { return steps_; }
  // True when every step succeeded (and there was at least one).
  bool Succeeded() const;
  bool Cancelled() const;
  // The first step that failed, or null.
  const TStep* FirstFailure() const;

  // What the user is told when the run failed: the first failure in words, that nothing of
  // the run stayed (or what could not be removed), and where the log is.
  std::string FailureMessage(const std::vector<std::string>& notRemoved,
                             const std::string& logPath) const;

  // One step as the log writes it.
  static std::string Describe(const TStep& step);
  // The sentence that tells the user what went wrong in a step.
  static std::string CauseText(const TStep& step);
  // A size as a shop owner reads it: "512 KB", "3,1 MB", "1,5 GB".
  static std::string SizeText(int64_t bytes);

 private:
  std::vector<TStep> steps_;
};

}  // namespace installer
