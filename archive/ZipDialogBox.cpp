#include "archive/ZipDialogBox.h"

#include <algorithm>

#include "archive/MessageIds.h"
#include "archive/ZipStrings.h"

namespace archive {
namespace {

struct TButtonInfo {
  TMsgDlgBtn kind;
  int caption;
  int result;
};

// The dialog's fixed button order.
constexpr TButtonInfo kOrder[] = {
    {TMsgDlgBtn::mbYes, 10220, kResultYes},
    {TMsgDlgBtn::mbNo, 10221, kResultNo},
    {TMsgDlgBtn::mbOK, 10222, kResultOK},
    {TMsgDlgBtn::mbCancel, 10223, kResultCancel},
    {TMsgDlgBtn::mbAbort, 10224, kResultAbort},
    {TMsgDlgBtn::mbRetry, 10225, kResultRetry},
    {TMsgDlgBtn::mbIgnore, 10226, kResultIgnore},
    {TMsgDlgBtn::mbAll, 10227, kResultAll},
    {TMsgDlgBtn::mbNoToAll, 10228, kResultNoToAll},
    {TMsgDlgBtn::mbYesToAll, 10229, kResultYesToAll},
};

// The password edit's limit, as the dialog has it.
constexpr int kMaxPasswordLength = 80;

int IndexOf(const TZipDialogLayout& layout, TMsgDlgBtn kind) {
  for (size_t i = 0; i < layout.buttons.size(); ++i) {
    if (layout.buttons[i].kind == kind)
      return static_cast<int>(i);
  }
  return -1;
}

class TUiPresenter : public IZipDialogPresenter {
 public:
  explicit TUiPresenter(platform::ui::IUiService& ui) : ui_(ui) {}
  int Present(const TZipDialogLayout& layout, std::string& edit) override {
    // A choice, or a password to type: the question box with the dialog's own buttons.
    if (layout.password || layout.buttons.size() > 1)
      return Ask(layout, edit);
    if (layout.icon == TZipDialogType::Error || layout.icon == TZipDialogType::Warning) {
      ui_.ShowError(layout.caption, layout.text);
    } else {
      ui_.ShowMessage(layout.caption, layout.text);
    }
    return layout.defaultButton >= 0
               ? layout.buttons[static_cast<size_t>(layout.defaultButton)].modalResult
               : 0;
  }

 private:
  int Ask(const TZipDialogLayout& layout, std::string& edit) {
    platform::ui::TQuestion question;
    question.caption = layout.caption;
    question.text = layout.text;
    for (const TZipDialogButton& button : layout.buttons)
      question.buttons.push_back(button.caption);
    question.defaultButton = std::max(layout.defaultButton, 0);
    question.cancelButton = layout.cancelButton;
    question.secret = layout.password;
    question.maxLength = layout.password ? kMaxPasswordLength : 0;
    const int chosen = ui_.Ask(question, edit);
    if (chosen < 0 || chosen >= static_cast<int>(layout.buttons.size()))
      return 0;
    return layout.buttons[static_cast<size_t>(chosen)].modalResult;
  }

  platform::ui::IUiService& ui_;
};

}  // namespace

std::unique_ptr<IZipDialogPresenter> CreateUiDialogPresenter(platform::ui::IUiService& ui) {
  return std::make_unique<TUiPresenter>(ui);
}

TZipDialogLayout TZipDialogBox::Build(const std::string& caption, TZipDialogType type,
                                      const std::string& text,
                                      const std::vector<TMsgDlgBtn>& buttons, bool password) {
  TZipDialogLayout layout;
  layout.caption = caption;
  layout.icon = type;
  layout.text = text;
  layout.password = password;
  for (const TButtonInfo& info : kOrder) {
    if (std::find(buttons.begin(), buttons.end(), info.kind) == buttons.end())
      continue;
    const int position = static_cast<int>(layout.buttons.size());
    layout.buttons.push_back(
        {info.kind, ZipLoadStr(info.caption), "ZADlg19" + std::to_string(position), info.result});
  }
  layout.defaultButton = IndexOf(layout, TMsgDlgBtn::mbOK);
  if (layout.defaultButton < 0)
    layout.defaultButton = IndexOf(layout, TMsgDlgBtn::mbYes);
  if (layout.defaultButton < 0)
    layout.defaultButton = IndexOf(layout, TMsgDlgBtn::mbRetry);
  layout.cancelButton = IndexOf(layout, TMsgDlgBtn::mbCancel);
  if (layout.cancelButton < 0)
    layout.cancelButton = IndexOf(layout, TMsgDlgBtn::mbNo);
  if (layout.cancelButton < 0)
    layout.cancelButton = IndexOf(layout, TMsgDlgBtn::mbOK);
  return layout;
}

int TZipDialogBox::Show(IZipDialogPresenter* presenter, const TZipDialogLayout& layout,
                        std::string& edit) {
  if (presenter == nullptr)
    return layout.defaultButton >= 0
               ? layout.buttons[static_cast<size_t>(layout.defaultButton)].modalResult
               : 0;
  return presenter->Present(layout, edit);
}

}  // namespace archive
