#pragma once
#include <stdexcept>

// Failures that the installer window raises from the platform's object model; the
// application's error box shows their text.
namespace installer {

// An object could not be created: "<the platform's message>, ClassID: <class id>".
class EOleSysError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An object lacks an interface the window needs: "Interface not supported".
class EIntfCastError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace installer
