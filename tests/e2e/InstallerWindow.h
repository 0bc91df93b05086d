#pragma once
#include <optional>
#include <string>
#include <vector>

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace varelo::e2e {

// A message box as the program recorded it when it showed it.
struct TBoxRecord {
  bool error = false;
  std::string caption;
  std::string text;
  // "message", "error", "question" or "password".
  std::string kind;
};

// The installer running on the virtual display, driven as a user would: pointer clicks and
// key strokes through xdotool on its real window, the close box through the window manager's
// message, photographs of the screen with ImageMagick. Points are in the window's own
// coordinates (its client area: there is no window manager to add a frame). Every wait is
// bounded; the program is stopped when the object goes away if it is still running.
class TInstallerWindow {
 public:
  static constexpr const char* kCaption = "VareloSoft - Instalação";
  static constexpr const char* kBoxCaption = "VareloSoft - Instalador";

  // How a test starts the program and where its photographs go.
  struct TLaunch {
    // The command line: the Linux program itself, or Wine and the Windows program.
    std::vector<std::string> argv;
    std::string artifactFolder;
    // The Windows message box is answered with the Enter key (its OK button has the focus and
    // its place depends on the text); the Linux one by a click on its OK button.
    bool answerBoxWithEnter = false;
    // How long the program may take to show its window (Wine starts its own services first).
    int windowTimeoutMs = 15000;
    // The user's locale (LANG and LC_ALL): a Brazilian user's machine unless a test says.
    std::string locale = "pt_BR.UTF-8";
  };

  // Starts the program with WINEPREFIX=prefix against the server at baseUrl and waits for its
  // window. Screenshots go to <artifactFolder>/<shotPrefix>-<moment>.png.
  TInstallerWindow(const TLaunch& launch, const std::string& prefix, const std::string& baseUrl,
                   const std::string& shotPrefix);
  ~TInstallerWindow();
  TInstallerWindow(const TInstallerWindow&) = delete;
  TInstallerWindow& operator=(const TInstallerWindow&) = delete;

  bool Found() const { return !window_.empty(); }
  // Where the window lies on the screen.
  int Left() const { return left_; }
  int Top() const { return top_; }
  // The size of its client area.
  int Width() const { return width_; }
  int Height() const { return height_; }

  void Click(int x, int y);
  // Moves the pointer over the window's illustration, where a click does nothing, so that the
  // keyboard reaches the window.
  void PointAtWindow();
  void Type(const std::string& text);
  // Presses a key (an X key name such as "BackSpace") `times` times.
  void Key(const std::string& name, int times = 1);
  // The user's close box: the message a window manager sends (WM_DELETE_WINDOW).
  bool PressCloseBox();

  // Waits until the program has shown `count` boxes since it started and the last is on the
  // screen; gives its record.
  std::optional<TBoxRecord> WaitForBox(size_t count, int timeoutMs = 20000);
  // Clicks OK on the box on the screen and waits until it is gone.
  bool PressOk();
  // Answers OK to each box from number `first` on (each photographed) until the run's own
  // failure message, an error box, has been answered, `most` boxes at the most: that box, or
  // none when a box did not come or stayed.
  std::optional<TBoxRecord> PressOkUntilTheRunsMessage(size_t first, int timeoutMs,
                                                       size_t most = 3);
  // Answers the question box on the screen with keys (xdotool names: "alt+s" for "&Sim",
  // "Return" for the default button, or text typed first when `typed` is given) and waits
  // until it is gone.
  bool AnswerBox(const std::string& keys, const std::string& typed = "");
  std::vector<TBoxRecord> Boxes() const;

  // Waits for the program to end; its exit code, or -1 when it still runs after timeoutMs.
  int WaitForExit(int timeoutMs = 20000);
  bool Running() { return program_.Running(); }
  // Stops the program where it is (SIGSTOP) and lets it go on (SIGCONT): while it is stopped
  // nothing paints its window, which tells a repaint of its own from the X server's.
  void Suspend();
  void Resume();
  std::string ProgramLog() const;

  // Photographs the whole screen; gives the file's path ("" when it failed).
  std::string Screenshot(const std::string& moment);

 private:
  std::string FindVisible(const std::string& caption) const;
  // The caption of the box shown last (the application's title before any).
  std::string LastBoxCaption() const;

  test::TTempDir dir_;
  TLaunch launch_;
  std::string shotPrefix_;
  test::TProcess program_;
  std::string window_;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
};

// Number of pixels that differ between the same region of two screenshots (ImageMagick's
// absolute-error count), or -1 when the comparison could not be made.
long DifferingPixels(const std::string& a, const std::string& b, int left, int top, int width,
                     int height);

// Waits until done() holds, checking every stepMs, at most timeoutMs; gives done()'s last value.
template <class TDone>
bool WaitUntil(TDone done, int timeoutMs, int stepMs = 50);

}  // namespace varelo::e2e

#include <chrono>
#include <thread>

template <class TDone>
bool varelo::e2e::WaitUntil(TDone done, int timeoutMs, int stepMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
  }
  return true;
}
