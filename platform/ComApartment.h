#pragma once

// The component object model for the calling thread, for the life of the object: on Windows
// the thread joins a single-threaded apartment (the shell link object needs one) and leaves it
// again at the end; the Linux build has nothing to start. The program holds one on its main
// thread from start to exit.
namespace platform {

class TComApartment {
 public:
  TComApartment();
  ~TComApartment();
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;

  // True when objects can be created on this thread: the apartment was started here, or the
  // thread already belonged to one.
  bool Ready() const { return ready_; }

 private:
  bool ready_ = false;
  // Only the Windows build leaves an apartment it joined.
  [[maybe_unused]] bool mustLeave_ = false;
};

}  // namespace platform
