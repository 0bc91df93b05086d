#pragma once
#include <string>

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace varelo::e2e {

// An X server of the test's own (Xvfb, 1024 x 768, 24 bits), with no window manager. The
// server picks a free display number itself (-displayfd), so tests started together never
// fight over one. DISPLAY points at it for the life of the object; the server is stopped by
// its pid when the object goes away.
class TVirtualDisplay {
 public:
  static constexpr int kWidth = 1024;
  static constexpr int kHeight = 768;

  TVirtualDisplay();
  ~TVirtualDisplay();
  TVirtualDisplay(const TVirtualDisplay&) = delete;
  TVirtualDisplay& operator=(const TVirtualDisplay&) = delete;

  bool Started() const { return !name_.empty(); }
  // ":N"
  const std::string& Name() const { return name_; }
  std::string Log() const;

 private:
  test::TTempDir dir_;
  test::TProcess server_;
  std::string name_;
  std::string savedDisplay_;
  bool hadDisplay_ = false;
};

}  // namespace varelo::e2e
