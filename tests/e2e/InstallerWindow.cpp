#include "tests/e2e/InstallerWindow.h"

#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

// The X11 headers define macros (None, Bool, Status) that clash with other code: last.
#include <X11/Xlib.h>

namespace varelo::e2e {
namespace {

// How long a message box may take to go once answered.
constexpr int kBoxGoneTimeoutMs = 15000;
constexpr int kCommandTimeoutMs = 10000;
// The message box's OK button sits 16 pixels from its right edge and 8 from its foot,
// 75 x 23 pixels.
constexpr int kOkFromRight = 16 + 75 / 2;
constexpr int kOkFromFoot = 8 + 23 / 2;
// A point on the window's illustration.
constexpr int kNeutralX = 120;
constexpr int kNeutralY = 250;

std::string Run(const std::vector<std::string>& argv) {
  std::string out;
  test::RunCommand(argv, &out, kCommandTimeoutMs);
  return out;
}

// Reads "NAME=value" lines as xdotool's --shell output gives them.
int ShellValue(const std::string& text, const std::string& name) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(name + "=", 0) == 0)
      return std::atoi(line.c_str() + name.size() + 1);
  }
  return -1;
}

std::string Unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
  }
  return out;
}

// An anchored pattern for xdotool's --name, which takes a regular expression.
std::string Exactly(const std::string& caption) {
  return "^" + caption + "$";
}

}  // namespace

TInstallerWindow::TInstallerWindow(const TLaunch& launch, const std::string& prefix,
                                   const std::string& baseUrl, const std::string& shotPrefix)
    : launch_(launch), shotPrefix_(shotPrefix) {
  setenv("WINEPREFIX", prefix.c_str(), 1);
  // The archive component speaks the language of the user's locale.
  setenv("LANG", launch.locale.c_str(), 1);
  setenv("LC_ALL", launch.locale.c_str(), 1);
  setenv("VARELO_E2E_BASE_URL", baseUrl.c_str(), 1);
  setenv("VARELO_E2E_MESSAGE_LOG", (dir_ / "boxes.log").c_str(), 1);
  program_ = test::TProcess(launch_.argv, dir_ / "program.log");
  WaitUntil(
      [&] {
        window_ = FindVisible(kCaption);
        return !window_.empty() || !program_.Running();
      },
      launch_.windowTimeoutMs, 100);
  if (window_.empty())
    return;
  const std::string geometry = Run({"xdotool", "getwindowgeometry", "--shell", window_});
  left_ = ShellValue(geometry, "X");
  top_ = ShellValue(geometry, "Y");
  width_ = ShellValue(geometry, "WIDTH");
  height_ = ShellValue(geometry, "HEIGHT");
}

TInstallerWindow::~TInstallerWindow() {
  program_.Stop();
}

std::string TInstallerWindow::FindVisible(const std::string& caption) const {
  const std::string out = Run({"xdotool", "search", "--onlyvisible", "--name", Exactly(caption)});
  const size_t end = out.find('\n');
  const std::string first = out.substr(0, end);
  return first.find_first_not_of("0123456789") == std::string::npos ? first : "";
}

void TInstallerWindow::Click(int x, int y) {
  Run({"xdotool", "mousemove", "--window", window_, std::to_string(x), std::to_string(y), "click",
       "1"});
}

void TInstallerWindow::PointAtWindow() {
  Run({"xdotool", "mousemove", "--window", window_, std::to_string(kNeutralX),
       std::to_string(kNeutralY)});
}

void TInstallerWindow::Type(const std::string& text) {
  Run({"xdotool", "type", "--delay", "30", text});
}

void TInstallerWindow::Key(const std::string& name, int times) {
  std::vector<std::string> argv = {"xdotool", "key", "--delay", "30"};
  for (int i = 0; i < times; ++i)
    argv.push_back(name);
  Run(argv);
}

bool TInstallerWindow::PressCloseBox() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr)
    return false;
  const Window window = std::strtoul(window_.c_str(), nullptr, 10);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  return sent != 0;
}

std::vector<TBoxRecord> TInstallerWindow::Boxes() const {
  std::vector<TBoxRecord> boxes;
  std::istringstream in(test::ReadFileBytes(dir_ / "boxes.log"));
  std::string line;
  while (std::getline(in, line)) {
    const size_t tab1 = line.find('\t');
    const size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos)
      continue;
    boxes.push_back({line.substr(0, tab1) == "error",
                     Unescaped(line.substr(tab1 + 1, tab2 - tab1 - 1)),
                     Unescaped(line.substr(tab2 + 1)), line.substr(0, tab1)});
  }
  return boxes;
}

std::optional<TBoxRecord> TInstallerWindow::WaitForBox(size_t count, int timeoutMs) {
  // The box is looked for by its own caption: the application's title, or the archive
  // component's password dialog's.
  const bool shown = WaitUntil(
      [&] {
        const std::vector<TBoxRecord> boxes = Boxes();
        return boxes.size() >= count && !FindVisible(boxes[count - 1].caption).empty();
      },
      timeoutMs, 100);
  if (!shown)
    return std::nullopt;
  return Boxes()[count - 1];
}

std::string TInstallerWindow::LastBoxCaption() const {
  const std::vector<TBoxRecord> boxes = Boxes();
  return boxes.empty() ? kBoxCaption : boxes.back().caption;
}

std::optional<TBoxRecord> TInstallerWindow::PressOkUntilTheRunsMessage(size_t first, int timeoutMs,
                                                                       size_t most) {
  std::optional<TBoxRecord> box;
  for (size_t shown = first; shown < first + most; ++shown) {
    box = WaitForBox(shown, timeoutMs);
    if (!box)
      return std::nullopt;
    Screenshot("box-" + std::to_string(shown));
    if (!PressOk())
      return std::nullopt;
    if (box->error)
      return box;
  }
  return box;
}

bool TInstallerWindow::PressOk() {
  const std::string caption = LastBoxCaption();
  const std::string box = FindVisible(caption);
  if (box.empty())
    return false;
  if (launch_.answerBoxWithEnter) {
    // With no window manager the keyboard goes to the window under the pointer.
    Run({"xdotool", "mousemove", "--window", box, "1", "1", "key", "Return"});
  } else {
    const std::string geometry = Run({"xdotool", "getwindowgeometry", "--shell", box});
    const int width = ShellValue(geometry, "WIDTH");
    const int height = ShellValue(geometry, "HEIGHT");
    Run({"xdotool", "mousemove", "--window", box, std::to_string(width - kOkFromRight),
         std::to_string(height - kOkFromFoot), "click", "1"});
  }
  return WaitUntil([&] { return FindVisible(caption) != box; }, kBoxGoneTimeoutMs);
}

bool TInstallerWindow::AnswerBox(const std::string& keys, const std::string& typed) {
  const std::string caption = LastBoxCaption();
  const std::string box = FindVisible(caption);
  if (box.empty())
    return false;
  // With no window manager the keyboard goes to the window under the pointer.
  Run({"xdotool", "mousemove", "--window", box, "1", "1"});
  if (!typed.empty())
    Run({"xdotool", "type", "--delay", "20", typed});
  Run({"xdotool", "key", keys});
  return WaitUntil([&] { return FindVisible(caption) != box; }, kBoxGoneTimeoutMs);
}

int TInstallerWindow::WaitForExit(int timeoutMs) {
  return program_.Wait(timeoutMs);
}

void TInstallerWindow::Suspend() {
  if (program_.Pid() > 0)
    kill(program_.Pid(), SIGSTOP);
}

void TInstallerWindow::Resume() {
  if (program_.Pid() > 0)
    kill(program_.Pid(), SIGCONT);
}

std::string TInstallerWindow::ProgramLog() const {
  return test::ReadFileBytes(dir_ / "program.log");
}

std::string TInstallerWindow::Screenshot(const std::string& moment) {
  std::filesystem::create_directories(launch_.artifactFolder);
  const std::string path = launch_.artifactFolder + "/" + shotPrefix_ + "-" + moment + ".png";
  std::filesystem::remove(path);
  std::string out;
  if (test::RunCommand({"import", "-window", "root", path}, &out, kCommandTimeoutMs) != 0)
    return "";
  return path;
}

long DifferingPixels(const std::string& a, const std::string& b, int left, int top, int width,
                     int height) {
  const std::string region = "[" + std::to_string(width) + "x" + std::to_string(height) + "+" +
                             std::to_string(left) + "+" + std::to_string(top) + "]";
  std::string out;
  // compare prints the count on its error output and exits with 1 when the images differ.
  const int code = test::RunCommand({"compare", "-metric", "AE", a + region, b + region, "null:"},
                                    &out, kCommandTimeoutMs);
  if (code != 0 && code != 1)
    return -1;
  return std::strtol(out.c_str(), nullptr, 10);
}

}  // namespace varelo::e2e
