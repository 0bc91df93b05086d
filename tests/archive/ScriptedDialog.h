#pragma once
#include <string>
#include <vector>

#include "archive/ZipDialogBox.h"

namespace varelo::test {

// Stands in for the screen: records every dialog and answers from a script (OK when the
// script is used up), typing the scripted password into the password variant.
class TScriptedDialog : public archive::IZipDialogPresenter {
 public:
  int Present(const archive::TZipDialogSpec& spec, std::string& edit) override {
    shown.push_back(spec);
    if (spec.password)
      edit = password;
    if (answers.empty())
      return archive::kResultOK;
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  std::vector<archive::TZipDialogSpec> shown;
  std::vector<int> answers;
  std::string password;
};

}  // namespace varelo::test
