#pragma once
#include <cstdint>

// An open file or folder of the operating system, owned: closed when the object goes away.
// Its value is opaque outside the platform layer, so the same header serves a backend whose
// handles are descriptors and one whose handles are pointers.
namespace platform {

class TOsHandle {
 public:
  TOsHandle() = default;
  ~TOsHandle() { Close(); }
  TOsHandle(TOsHandle&& other) noexcept : value_(other.value_) { other.value_ = kInvalid; }
  TOsHandle& operator=(TOsHandle&& other) noexcept;
  TOsHandle(const TOsHandle&) = delete;
  TOsHandle& operator=(const TOsHandle&) = delete;

  bool IsValid() const { return value_ != kInvalid; }
  // Closes the handle; returns 0, or the error code (OsError.h) of a failed final write-back.
  int Close();

 private:
  friend struct TOsHandleAccess;
  static constexpr intptr_t kInvalid = -1;
  intptr_t value_ = kInvalid;
};

}  // namespace platform
