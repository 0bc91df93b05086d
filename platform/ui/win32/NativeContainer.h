#pragma once
// A window that holds controls: the form and each page. It paints its background in its
// control's colour, draws its pictures itself (pictures have no window of their own, so they
// lie under the child windows and over each other in creation order), and passes what it
// hears about a child on to the child's peer. For the Windows backend's own sources only.
#include <vector>

#include "platform/ui/win32/NativePeer.h"

namespace platform::ui::native {

class TNativeImage;

class TNativeContainer : public TNativePeer {
 public:
  using TNativePeer::TNativePeer;

  // The class of every container window, registered once per program.
  static const wchar_t* WindowClass();

  // A picture drawn on this container, in creation order; the picture's peer leaves itself.
  void AddImage(TNativeImage* image) { images_.push_back(image); }
  void RemoveImage(TNativeImage* image);

 protected:
  // Handles a message of the container's own; false leaves it to the system.
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  static LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool ChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void Paint();

  std::vector<TNativeImage*> images_;
};

}  // namespace platform::ui::native
