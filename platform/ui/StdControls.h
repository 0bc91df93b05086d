#pragma once
#include <string>
#include <string_view>

#include "platform/ui/Control.h"

// The standard controls: label, single-line edit, radio button and check box.
namespace platform::ui {

class TLabel : public TControl {
 public:
  using TControl::TControl;
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);

 private:
  TAlignment alignment_ = TAlignment::LeftJustify;
};

// A single-line edit. The maximum length counts characters as the platform does (UTF-16
// units) and limits what the user types; upper-case mode turns every letter the user enters
// into its capital. It never holds control characters: typed or pasted text loses them.
class TEdit : public TControl {
 public:
  using TControl::TControl;
  bool TabStop() const override { return true; }

  const std::string& Text() const { return text_; }
  // Sets the text from code: upper-case mode applies and control characters are dropped; the
  // maximum length does not (it limits typing only).
  void SetText(std::string text);

  // 0 means no limit.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int maxLength) { maxLength_ = maxLength; }
  bool UpperCase() const { return upperCase_; }
  void SetUpperCase(bool upperCase);

  // What the user typed or pasted, inserted at the end of the text; characters past the
  // maximum length are refused.
  void TypeText(std::string_view typed);
  // The whole text after the user edited it in the widget: upper-case mode applies and control
  // characters are dropped. What was inserted is cut to the room the maximum length leaves
  // (none at all refuses it) while the text around it stays; the text kept is returned so the
  // widget can show it.
  const std::string& EditedByUser(std::string_view text);

  TNotifyEvent OnChange;

 private:
  std::string Normalize(std::string_view text) const;
  std::string WithinLimit(const std::string& edited) const;

  std::string text_;
  int maxLength_ = 0;
  bool upperCase_ = false;
};

// Radio buttons with the same parent form one group: checking one unchecks the others.
class TRadioButton : public TControl {
 public:
  using TControl::TControl;
  bool TabStop() const override { return true; }

  bool Checked() const { return checked_; }
  // Checking a button unchecks its siblings and raises OnClick; a button that is already
  // checked stays as it is and raises nothing.
  void SetChecked(bool checked);
  // The user clicks the button (with the mouse, or the space bar while it has the focus).
  void Click();

  TNotifyEvent OnClick;

 private:
  bool checked_ = false;
};

class TCheckBox : public TControl {
 public:
  using TControl::TControl;
  bool TabStop() const override { return true; }

  bool Checked() const { return checked_; }
  // A change of state raises OnClick.
  void SetChecked(bool checked);
  // The user toggles the box.
  void Click() { SetChecked(!checked_); }

  TNotifyEvent OnClick;

 private:
  bool checked_ = false;
};

// Upper case as the platform's edit control makes it: a–z and the accented Latin-1 small
// letters become capitals, everything else is kept.
std::string EditUpperCase(std::string_view text);
// The text without control characters (C0, DEL and C1), as a single-line edit holds it.
std::string WithoutControlCharacters(std::string_view text);
// Length in UTF-16 units, as the platform counts characters.
int Utf16Length(std::string_view utf8);
// The longest prefix of at most maxUnits UTF-16 units that ends on a character boundary.
std::string_view Utf16Prefix(std::string_view utf8, int maxUnits);

}  // namespace platform::ui
