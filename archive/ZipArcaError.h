#pragma once
#include <exception>
#include <string>

#include "archive/ZipStrings.h"

// The archive layer's failure: a message id, its text, and whether the component's error
// display shows it in a dialog. Raised inside an operation and caught at its edge; never
// thrown to the component's caller.
namespace archive {

class EZipArca : public std::exception {
 public:
  EZipArca(int id, std::string message, bool display = true)
      : id_(id), message_(std::move(message)), display_(display) {}
  // The message of the id, from the message table.
  explicit EZipArca(int id, bool display = true) : EZipArca(id, ZipLoadStr(id), display) {}
  // The message of the id formatted with the arguments. A named maker, not a constructor: a
  // braced list of one text would otherwise pass for the message itself.
  static EZipArca Format(int id, std::initializer_list<TZipFmtArg> args, bool display = true) {
    return EZipArca(id, ZipFmtLoadStr(id, args), display);
  }

  int Id() const { return id_; }
  bool Display() const { return display_; }
  const std::string& Message() const { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  int id_;
  std::string message_;
  bool display_;
};

}  // namespace archive
