#pragma once
// Makes the widgets of a form's controls, each attached to its control by a peer, for the
// shared walk of TPeerBuilder. For the toolkit backend only.
#include <vector>

#include "platform/ui/PeerBuilder.h"

namespace platform::ui {

class TPageWidget;
class TTabsWidget;

// The toolkit's groups own the widgets made here: each joins the group being built, which
// the caller opens (the form's window) and the page control's steps open and close (its tabs
// and pages).
class TWidgetBuilder : public TPeerBuilder {
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
  // The page controls and pages being built, the innermost last.
  std::vector<TTabsWidget*> tabs_;
  std::vector<TPageWidget*> pages_;
};

}  // namespace platform::ui
