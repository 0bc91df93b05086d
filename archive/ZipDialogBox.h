#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/UiService.h"

// The archive component's message dialog: caption, icon type, word-wrapped text, one button
// per requested kind in a fixed order with captions from the message table, and for the
// password variant an edit box. The dialog itself goes to a presenter: the screen through the
// window layer's message service in the program, a script in tests.
namespace archive {

enum class TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
enum class TZipDialogType { Warning, Error, Information, Confirmation, Custom };

// Modal results of the buttons, in the order above (help has none).
inline constexpr int kResultYes = 6, kResultNo = 7, kResultOK = 1, kResultCancel = 2,
                     kResultAbort = 3, kResultRetry = 4, kResultIgnore = 5, kResultAll = 8,
                     kResultNoToAll = 9, kResultYesToAll = 10;

struct TZipDialogButton {
  TMsgDlgBtn kind;
  std::string caption;  // from messages 10220..10229
  std::string name;     // "ZADlg19" and its position
  int modalResult;
};

// Everything a presenter needs to show one dialog.
struct TZipDialogLayout {
  std::string caption;
  TZipDialogType icon = TZipDialogType::Information;
  std::string text;  // the label "zadText"
  std::vector<TZipDialogButton> buttons;
  int defaultButton = -1;  // index into buttons
  int cancelButton = -1;
  bool password = false;  // adds the edit "zadEdit", masked with "*", at most 80 characters
};

class IZipDialogPresenter {
 public:
  virtual ~IZipDialogPresenter() = default;
  // Shows the dialog modally, centred on the screen; returns the chosen button's modal
  // result (0 when closed without one). For the password variant `edit` holds the typed text.
  virtual int Present(const TZipDialogLayout& layout, std::string& edit) = 0;
};

// The program's presenter: the window layer's message service. It shows the caption and the
// text with one OK button (the error icon for errors) and answers as the default button.
std::unique_ptr<IZipDialogPresenter> CreateUiDialogPresenter(platform::ui::IUiService& ui);

class TZipDialogBox {
 public:
  // The buttons to show, in the dialog's fixed order, with their default and cancel choices.
  static TZipDialogLayout Build(const std::string& caption, TZipDialogType type,
                                const std::string& text, const std::vector<TMsgDlgBtn>& buttons,
                                bool password);
  // Shows it through the presenter; returns the modal result. No presenter: the default
  // button's result.
  static int Show(IZipDialogPresenter* presenter, const TZipDialogLayout& layout,
                  std::string& edit);
};

}  // namespace archive
