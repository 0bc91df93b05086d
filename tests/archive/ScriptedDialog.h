#pragma once
#include <string>
#include <vector>

#include "archive/ZipDialogBox.h"

namespace varelo::test {

// Stands in for the screen: records every dialog and answers from a script (OK when the
// script is used up), typing the scripted password into the password variant.
class TScriptedDialog : public archive::IZipDialogPresenter {
 public:
  int Present(const archive::TZipDialogLayout& layout, std::string& edit) override {
    shown.push_back(layout);
    if (layout.password)
      edit = password;
    if (answers.empty())
      return archive::kResultOK;
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  std::vector<archive::TZipDialogLayout> shown;
  std::vector<int> answers;
  std::string password;
};

}  // namespace varelo::test
