#pragma once
// Makes the native windows of a form's controls, each attached to its control by a peer, for
// the shared walk of TPeerBuilder. For the Windows backend's own sources only.
#include <vector>

#include "platform/ui/PeerBuilder.h"
#include "platform/ui/win32/GdiCache.h"

namespace platform::ui::native {

class TNativeContainer;
class TNativeTabs;

class TNativeBuilder : public TPeerBuilder {
 public:
  // Builds into the window of the form given; a page control's pages become the windows their
  // children are built in.
  TNativeBuilder(TNativeContainer& window, TGdiCache& gdi) : windows_{&window}, gdi_(gdi) {}

 protected:
  void MakeLabel(TLabel& label) override;
  void MakeEdit(TEdit& edit, bool group) override;
  void MakeRadioButton(TRadioButton& radio, bool group) override;
  void MakeCheckBox(TCheckBox& check, bool group) override;
  void MakeProgressBar(TProgressBar& bar) override;
  void MakeImage(TImage& image) override;
  void MakeGlowButton(TGlowButton& button, bool group) override;
  void OpenPageControl(TPageControl& pc, bool group) override;
  void OpenPage(TPageControl& pc, TTabSheet& page) override;
  void ClosePage(TTabSheet& page) override;
  void ClosePageControl(TPageControl& pc) override;

 private:
  // The window the children being built go in.
  TNativeContainer& Window() const { return *windows_.back(); }
  HWND Parent() const;

  // The containers being built into and the page controls being built, the innermost last.
  std::vector<TNativeContainer*> windows_;
  std::vector<TNativeTabs*> tabs_;
  TGdiCache& gdi_;
};

}  // namespace platform::ui::native
