#pragma once
#include <functional>
#include <string>

#include "platform/ui/Control.h"
#include "platform/ui/Picture.h"

// A top-level window: caption, fixed or sizable border, title-bar buttons, icon and the
// controls laid out on its client area.
namespace platform::ui {

class TForm : public TWinControl {
 public:
  explicit TForm(std::string name);

  // A fixed single border: the user can't resize the window.
  bool Resizable() const { return resizable_; }
  void SetResizable(bool resizable) { resizable_ = resizable; }
  // The title bar's minimise and maximise boxes; the system menu and close box are always there.
  bool MinimizeBox() const { return minimizeBox_; }
  bool MaximizeBox() const { return maximizeBox_; }
  void SetBorderIcons(bool minimizeBox, bool maximizeBox);
  // Centred on the screen when shown.
  bool CenterOnScreen() const { return centerOnScreen_; }
  void SetCenterOnScreen(bool center) { centerOnScreen_ = center; }

  const TPicture& Icon() const { return icon_; }
  void SetIcon(TPicture icon) { icon_ = std::move(icon); }

  // Closes the window (by code, or the user's close box). The main window's close ends the
  // program's message loop.
  void Close();
  bool Closed() const { return closed_; }
  // The user's close box: OnCloseQuery may keep the window open; otherwise it closes.
  void CloseByUser();

  // The screen has shown the window: raises OnShow (the backends call it once a loop has shown
  // the window, before it handles any message).
  void Shown();

  TNotifyEvent OnClose;
  // Raised once the window is on the screen, before the message loop handles anything; what it
  // does runs with the window shown (a failure goes where the loop's failures go).
  TNotifyEvent OnShow;
  // Asked before the close box closes the window; setting canClose to false keeps it open.
  std::function<void(TControl& sender, bool& canClose)> OnCloseQuery;

 private:
  bool resizable_ = true;
  bool minimizeBox_ = true;
  bool maximizeBox_ = true;
  bool centerOnScreen_ = false;
  bool closed_ = false;
  TPicture icon_;
};

}  // namespace platform::ui
