#include "platform/ui/win32/NativeGlowButton.h"

#include "platform/ui/EventDispatch.h"
#include "platform/win32/Win32Util.h"

namespace platform::ui::native {
namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr TColor kDisabledCaption = 0x808080;

// One line of the gradient at a time, from the first colour to the second.
void DrawGradient(HDC dc, const TGradient& g, const RECT& area) {
  const bool vertical = g.direction == TGradientDirection::Vertical;
  const int steps = vertical ? area.bottom - area.top : area.right - area.left;
  for (int i = 0; i < steps; ++i) {
    const double t = steps > 1 ? static_cast<double>(i) / (steps - 1) : 0;
    HBRUSH brush = CreateSolidBrush(ToColorRef(g.At(t)));
    const RECT line = vertical ? RECT{area.left, area.top + i, area.right, area.top + i + 1}
                               : RECT{area.left + i, area.top, area.left + i + 1, area.bottom};
    FillRect(dc, &line, brush);
    DeleteObject(brush);
  }
}

}  // namespace

TNativeGlowButton::TNativeGlowButton(TGlowButton& button, TGdiCache& gdi, HWND parent, bool group)
    : TNativePeer(button, gdi), button_(button) {
  Create(WC_BUTTONW, BS_OWNERDRAW | WS_TABSTOP | (group ? WS_GROUP : 0), 0, parent);
  if (HWND hwnd = Handle())
    SetWindowSubclass(hwnd, &ButtonProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

TNativeGlowButton::~TNativeGlowButton() {
  if (HWND hwnd = Handle())
    RemoveWindowSubclass(hwnd, &ButtonProc, kSubclassId);
}

void TNativeGlowButton::Sync() {
  SetText(button_.Caption());
}

void TNativeGlowButton::Command(WORD code) {
  if (code == BN_CLICKED)
    button_.Click();
}

void TNativeGlowButton::Pointer(UINT message, LPARAM lParam) {
  HWND hwnd = Handle();
  switch (message) {
    case WM_MOUSEMOVE: {
      if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd, 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
      }
      button_.SetHot(true);
      // While the button is held, it is down only with the pointer on it.
      if (GetCapture() == hwnd) {
        RECT r{};
        GetClientRect(hwnd, &r);
        const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        button_.SetPressed(PtInRect(&r, p) != FALSE);
      }
      break;
    }
    case WM_MOUSELEAVE:
      tracking_ = false;
      button_.SetHot(false);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      button_.SetPressed(true);
      break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      button_.SetPressed(false);
      break;
    default:
      break;
  }
}

LRESULT CALLBACK TNativeGlowButton::ButtonProc(HWND hwnd, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<TNativeGlowButton*>(data);
  if (self && TNativePeer::FromHandle(hwnd) == self)
    Dispatch([&] { self->Pointer(message, lParam); });
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

bool TNativeGlowButton::DrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  const RECT face = item.rcItem;
  TGlowState state = button_.State();
  // The space bar holds the button down too; the system tells it through the item's state.
  if (state != TGlowState::Disabled && (item.itemState & ODS_SELECTED))
    state = TGlowState::Down;
  const TGlowColors& colors = button_.StateColors(state);
  const int upper = (face.bottom - face.top) / 2;
  DrawGradient(dc, colors.upper, RECT{face.left, face.top, face.right, face.top + upper});
  DrawGradient(dc, colors.lower, RECT{face.left, face.top + upper, face.right, face.bottom});
  if (colors.border)
    FrameRect(dc, &face, Gdi().Brush(*colors.border));
  // The caption keeps the colour of its font; a disabled button greys it.
  HGDIOBJ oldFont = SelectObject(dc, Gdi().Font(button_.Font()));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorRef(button_.Enabled() ? button_.Font().color : kDisabledCaption));
  const std::wstring caption = Widen(button_.Caption());
  RECT text = face;
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    RECT focus = face;
    InflateRect(&focus, -3, -3);
    SetTextColor(dc, ToColorRef(button_.Font().color));
    DrawFocusRect(dc, &focus);
  }
  return true;
}

}  // namespace platform::ui::native
