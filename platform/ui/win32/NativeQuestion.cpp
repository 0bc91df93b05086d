#include "platform/ui/win32/NativeQuestion.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/win32/Win32Util.h"

namespace platform::ui::native {
namespace {

// Sizes in dialog units.
constexpr short kMargin = 7;
constexpr short kTextWidth = 250;
constexpr short kLineHeight = 9;
constexpr short kCharsPerLine = 58;
constexpr short kButtonW = 50;
constexpr short kButtonH = 14;
constexpr short kButtonGap = 4;
constexpr short kEditH = 12;
constexpr int kMaxTextLines = 30;

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kFirstButtonId = 100;
constexpr WORD kEditId = 90;
constexpr WORD kTextId = 91;

// What the dialog procedure needs while the dialog is up.
struct TDialogState {
  const TQuestion* question;
  int cancel;
  std::wstring edit;
};

// The template as the system reads it: 16-bit words, each item aligned to four bytes.
class TTemplate {
 public:
  void Word(WORD value) { words_.push_back(value); }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Text(const std::wstring& text) {
    for (wchar_t c : text)
      Word(static_cast<WORD>(c));
    Word(0);
  }
  void Align() {
    if (words_.size() % 2 != 0)
      Word(0);
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls,
            const std::wstring& text) {
    Align();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    for (short v : {x, y, cx, cy})
      Word(static_cast<WORD>(v));
    Word(id);
    Word(0xFFFF);
    Word(cls);
    Text(text);
    Word(0);  // no creation data
  }
  // The count of items sits in the header's fifth word.
  void SetCount(WORD count) { words_[4] = count; }
  const DLGTEMPLATE* Data() {
    Align();
    return reinterpret_cast<const DLGTEMPLATE*>(words_.data());
  }

 private:
  std::vector<WORD> words_;
};

// Lines the text takes at about kCharsPerLine characters a line.
short LinesOf(const std::string& text) {
  int lines = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos)
      end = text.size();
    const int chars = static_cast<int>(end - start);
    lines += std::max(1, (chars + kCharsPerLine - 1) / kCharsPerLine);
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
  return static_cast<short>(std::clamp(lines, 1, kMaxTextLines));
}

INT_PTR CALLBACK QuestionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<TDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      state = reinterpret_cast<TDialogState*>(lParam);
      if (!state->question->secret)
        return TRUE;  // the default button takes the focus
      HWND edit = GetDlgItem(dialog, kEditId);
      if (state->question->maxLength > 0)
        SendMessageW(edit, EM_LIMITTEXT, static_cast<WPARAM>(state->question->maxLength), 0);
      SetFocus(edit);
      return FALSE;
    }
    case WM_COMMAND: {
      const WORD id = LOWORD(wParam);
      int answer = -1;
      if (id == IDCANCEL)
        answer = state->cancel;
      else if (id == IDOK)
        answer = state->question->defaultButton;
      else if (id >= kFirstButtonId &&
               id < kFirstButtonId + static_cast<WORD>(state->question->buttons.size()))
        answer = id - kFirstButtonId;
      if (answer < 0)
        return FALSE;
      if (state->question->secret) {
        const int length = GetWindowTextLengthW(GetDlgItem(dialog, kEditId));
        state->edit.assign(static_cast<size_t>(length) + 1, L'\0');
        GetDlgItemTextW(dialog, kEditId, state->edit.data(), length + 1);
        state->edit.resize(static_cast<size_t>(length));
      }
      EndDialog(dialog, answer);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

int AskNative(HWND owner, const TQuestion& question, std::string& edit) {
  TQuestion q = question;
  if (q.buttons.empty())
    q.buttons = {"OK"};
  const int last = static_cast<int>(q.buttons.size()) - 1;
  q.defaultButton = std::clamp(q.defaultButton, 0, last);
  const int cancel = q.cancelButton < 0 ? last : std::min(q.cancelButton, last);

  const short count = static_cast<short>(q.buttons.size());
  const short buttonsW = static_cast<short>(count * kButtonW + (count - 1) * kButtonGap);
  const short width = static_cast<short>(std::max<int>(kTextWidth, buttonsW) + 2 * kMargin);
  const short textH = static_cast<short>(LinesOf(q.text) * kLineHeight);
  const short editY = static_cast<short>(kMargin + textH + kMargin);
  const short buttonY = static_cast<short>(editY + (q.secret ? kEditH + kMargin : 0));
  const short height = static_cast<short>(buttonY + kButtonH + kMargin);

  TTemplate t;
  t.Dword(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
  t.Dword(0);
  t.Word(0);  // the item count, set below
  for (short v : {short{0}, short{0}, width, height})
    t.Word(static_cast<WORD>(v));
  t.Word(0);  // no menu
  t.Word(0);  // the system's dialog class
  t.Text(Widen(q.caption));
  t.Word(8);
  t.Text(L"MS Shell Dlg");
  WORD items = 0;
  t.Item(SS_LEFT | SS_NOPREFIX, kMargin, kMargin, kTextWidth, textH, kTextId, kStaticClass,
         Widen(q.text));
  ++items;
  if (q.secret) {
    t.Item(ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kMargin, editY, kTextWidth,
           kEditH, kEditId, kEditClass, L"");
    ++items;
  }
  short x = static_cast<short>(width - kMargin - buttonsW);
  for (short i = 0; i < count; ++i, x = static_cast<short>(x + kButtonW + kButtonGap)) {
    const DWORD kind = i == q.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    t.Item(kind | WS_TABSTOP, x, buttonY, kButtonW, kButtonH, static_cast<WORD>(kFirstButtonId + i),
           kButtonClass, Widen(q.buttons[static_cast<size_t>(i)]));
    ++items;
  }
  t.SetCount(items);

  TDialogState state{&q, cancel, {}};
  const INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Data(), owner,
                                                 &QuestionProc, reinterpret_cast<LPARAM>(&state));
  edit = Narrow(state.edit);
  if (answer < 0 || answer > last)
    return cancel;
  return static_cast<int>(answer);
}

}  // namespace platform::ui::native
