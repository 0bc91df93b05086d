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

int IndexOf(const TZipDialogSpec& spec, TMsgDlgBtn kind) {
  for (size_t i = 0; i < spec.buttons.size(); ++i) {
    if (spec.buttons[i].kind == kind)
      return static_cast<int>(i);
  }
  return -1;
}

class TUiPresenter : public IZipDialogPresenter {
 public:
  explicit TUiPresenter(platform::ui::IUiService& ui) : ui_(ui) {}
  int Present(const TZipDialogSpec& spec, std::string&) override {
    if (spec.icon == TZipDialogType::Error || spec.icon == TZipDialogType::Warning) {
      ui_.ShowError(spec.caption, spec.text);
    } else {
      ui_.ShowMessage(spec.caption, spec.text);
    }
    return spec.defaultButton >= 0
               ? spec.buttons[static_cast<size_t>(spec.defaultButton)].modalResult
               : 0;
  }

 private:
  platform::ui::IUiService& ui_;
};

}  // namespace

std::unique_ptr<IZipDialogPresenter> CreateUiDialogPresenter(platform::ui::IUiService& ui) {
  return std::make_unique<TUiPresenter>(ui);
}

TZipDialogSpec TZipDialogBox::Build(const std::string& caption, TZipDialogType type,
                                    const std::string& text, const std::vector<TMsgDlgBtn>& buttons,
                                    bool password) {
  TZipDialogSpec spec;
  spec.caption = caption;
  spec.icon = type;
  spec.text = text;
  spec.password = password;
  for (const TButtonInfo& info : kOrder) {
    if (std::find(buttons.begin(), buttons.end(), info.kind) == buttons.end())
      continue;
    const int position = static_cast<int>(spec.buttons.size());
    spec.buttons.push_back(
        {info.kind, ZipLoadStr(info.caption), "ZADlg19" + std::to_string(position), info.result});
  }
  spec.defaultButton = IndexOf(spec, TMsgDlgBtn::mbOK);
  if (spec.defaultButton < 0)
    spec.defaultButton = IndexOf(spec, TMsgDlgBtn::mbYes);
  if (spec.defaultButton < 0)
    spec.defaultButton = IndexOf(spec, TMsgDlgBtn::mbRetry);
  spec.cancelButton = IndexOf(spec, TMsgDlgBtn::mbCancel);
  if (spec.cancelButton < 0)
    spec.cancelButton = IndexOf(spec, TMsgDlgBtn::mbNo);
  if (spec.cancelButton < 0)
    spec.cancelButton = IndexOf(spec, TMsgDlgBtn::mbOK);
  return spec;
}

int TZipDialogBox::Show(IZipDialogPresenter* presenter, const TZipDialogSpec& spec,
                        std::string& edit) {
  if (presenter == nullptr)
    return spec.defaultButton >= 0
               ? spec.buttons[static_cast<size_t>(spec.defaultButton)].modalResult
               : 0;
  return presenter->Present(spec, edit);
}

}  // namespace archive
