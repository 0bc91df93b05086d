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

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string WithoutControlCharacters(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F)
      continue;
    // U+0080..U+009F, the C1 controls, are encoded C2 80..C2 9F.
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F &&
        IsContinuationByte(text[i + 1])) {
      ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

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
  std::string kept =
      upperCase_ ? EditUpperCase(WithoutControlCharacters(text)) : WithoutControlCharacters(text);
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
  const std::string clean = WithoutControlCharacters(text);
  return upperCase_ ? EditUpperCase(clean) : clean;
}

// The edited text with its insertion cut to the room the limit leaves. The insertion is what
// lies between the longest start and end the edited text shares with the text before it.
std::string TEdit::WithinLimit(const std::string& edited) const {
  if (maxLength_ <= 0 || Utf16Length(edited) <= maxLength_)
    return edited;
  const std::string& before = text_;
  size_t head = 0;
  while (head < before.size() && head < edited.size() && before[head] == edited[head])
    ++head;
  while (head > 0 && head < edited.size() && IsContinuationByte(edited[head]))
    --head;
  size_t tail = 0;
  while (tail < before.size() - head && tail < edited.size() - head &&
         before[before.size() - 1 - tail] == edited[edited.size() - 1 - tail])
    ++tail;
  while (tail > 0 && IsContinuationByte(edited[edited.size() - tail]))
    --tail;
  const std::string_view start(edited.data(), head);
  const std::string_view end(edited.data() + edited.size() - tail, tail);
  const std::string_view inserted(edited.data() + head, edited.size() - head - tail);
  const int room = maxLength_ - Utf16Length(start) - Utf16Length(end);
  if (room <= 0) {
    // No room at all: the insertion is refused, and what it replaced stays.
    return Utf16Length(before) <= Utf16Length(edited) ? before : edited;
  }
  return std::string(start) + std::string(Utf16Prefix(inserted, room)) + std::string(end);
}

void TEdit::TypeText(std::string_view typed) {
  const std::string room = WithinLimit(text_ + Normalize(typed));
  if (room == text_)
    return;
  SetText(room);
}

const std::string& TEdit::EditedByUser(std::string_view text) {
  std::string kept = WithinLimit(Normalize(text));
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
