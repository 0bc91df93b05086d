#include "platform/ui/StdControls.h"

namespace platform::ui {
namespace {

// Byte count of the UTF-8 sequence that starts with this byte (1 for stray bytes).
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0)
    return 4;
  if (lead >= 0xE0)
    return 3;
  if (lead >= 0xC0)
    return 2;
  return 1;
}

}  // namespace

std::string EditUpperCase(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    auto c = static_cast<unsigned char>(out[i]);
    if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
      continue;
    }
    // U+00E0..U+00FE (except U+00F7, the division sign) are encoded C3 A0..C3 BE; their
    // capitals are U+00C0..U+00DE, encoded C3 80..C3 9E: the same length, one byte changed.
    if (c == 0xC3 && i + 1 < out.size()) {
      auto next = static_cast<unsigned char>(out[i + 1]);
      if (next >= 0xA0 && next <= 0xBE && next != 0xB7)
        out[i + 1] = static_cast<char>(next - 0x20);
      ++i;
    }
  }
  return out;
}

int Utf16Length(std::string_view utf8) {
  int units = 0;
  for (size_t i = 0; i < utf8.size();) {
    const size_t len = SequenceLength(static_cast<unsigned char>(utf8[i]));
    units += len == 4 ? 2 : 1;
    i += len;
  }
  return units;
}

std::string_view Utf16Prefix(std::string_view utf8, int maxUnits) {
  int units = 0;
  size_t i = 0;
  while (i < utf8.size()) {
    const size_t len = SequenceLength(static_cast<unsigned char>(utf8[i]));
    const int add = len == 4 ? 2 : 1;
    if (units + add > maxUnits || i + len > utf8.size())
      break;
    units += add;
    i += len;
  }
  return utf8.substr(0, i);
}

void TLabel::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  Changed();
}

void TEdit::SetText(std::string text) {
  std::string kept = upperCase_ ? EditUpperCase(text) : std::move(text);
  if (kept == text_)
    return;
  text_ = std::move(kept);
  Changed();
  if (OnChange)
    OnChange(*this);
}

void TEdit::SetUpperCase(bool upperCase) {
  upperCase_ = upperCase;
  if (upperCase_)
    SetText(text_);
}

std::string TEdit::Normalize(std::string_view text) const {
  std::string kept = upperCase_ ? EditUpperCase(text) : std::string(text);
  if (maxLength_ > 0)
    kept = std::string(Utf16Prefix(kept, maxLength_));
  return kept;
}

void TEdit::TypeText(std::string_view typed) {
  std::string room = std::string(typed);
  if (maxLength_ > 0) {
    const int free = maxLength_ - Utf16Length(text_);
    room = free > 0 ? std::string(Utf16Prefix(typed, free)) : std::string();
  }
  if (room.empty())
    return;
  SetText(text_ + room);
}

const std::string& TEdit::EditedByUser(std::string_view text) {
  std::string kept = Normalize(text);
  if (kept != text_) {
    text_ = std::move(kept);
    if (OnChange)
      OnChange(*this);
  }
  // The widget shows what was kept, even when the model did not change.
  Changed();
  return text_;
}

void TRadioButton::SetChecked(bool checked) {
  if (checked_ == checked)
    return;
  checked_ = checked;
  if (checked_ && Parent()) {
    for (const auto& sibling : Parent()->Children()) {
      auto* radio = dynamic_cast<TRadioButton*>(sibling.get());
      if (radio && radio != this)
        radio->SetChecked(false);
    }
  }
  Changed();
  if (checked_ && OnClick)
    OnClick(*this);
}

void TRadioButton::Click() {
  SetChecked(true);
}

void TCheckBox::SetChecked(bool checked) {
  if (checked_ == checked)
    return;
  checked_ = checked;
  Changed();
  if (OnClick)
    OnClick(*this);
}

}  // namespace platform::ui
