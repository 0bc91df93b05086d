#pragma once
#include <stdexcept>
#include <string>
#include <vector>

// The installer's command line, for rollouts without anyone at the machine: the same choice the
// window offers (the kind of installation, the workstation's server, path or alias, the
// point-of-sale module), how much of the window shows, where the log goes and which
// distribution server the packages come from. Options start with "/" or "-", their names are
// matched without regard to case, and a value follows "=".
namespace installer {

enum class TInstallKind { Complete, Network, Cloud };

// How much of the run a person sees: the window as usual; the window running by itself and
// asking nothing (/PASSIVO); or no window at all (/SILENCIOSO).
enum class TRunMode { Window, Passive, Silent };

struct TCommandLine {
  TInstallKind kind = TInstallKind::Complete;
  std::string server;  // /SERVIDOR
  std::string path;    // /CAMINHO
  std::string alias;   // /ALIAS
  bool paf = false;    // /PAF
  TRunMode mode = TRunMode::Window;
  std::string logPath;  // /LOG; empty: the usual place
  std::string baseUrl;  // /ORIGEM, ending with "/"; empty: the server the program was built for
  bool help = false;    // /? or /AJUDA
  // True when any option of the installation's choice was given (the kind, its values, /PAF).
  bool choiceGiven = false;
};

// A command line that cannot be taken; the text names the option, in the user's language.
class ECommandLineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the arguments after the program's name. Raises ECommandLineError for an unknown
// option, a value given to an option that takes none, a missing value, an option given twice,
// a value an option does not take, or values of a kind of installation other than the one
// chosen. An empty server, path or alias is left to the window's own checks.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// What /? shows.
std::string CommandLineUsage();

}  // namespace installer
