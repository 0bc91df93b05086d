#pragma once
// Gives the controls of a shown form their peers, the same walk for every backend: the
// backend makes each peer (an FLTK widget, a native child window), this class decides in which
// order and into which container, and takes the peers off again.
#include "platform/ui/Control.h"

namespace platform::ui {

class TCheckBox;
class TEdit;
class TForm;
class TGlowButton;
class TImage;
class TLabel;
class TPageControl;
class TProgressBar;
class TRadioButton;
class TTabSheet;

class TPeerBuilder {
 public:
  TPeerBuilder(const TPeerBuilder&) = delete;
  TPeerBuilder& operator=(const TPeerBuilder&) = delete;

  // Builds the peers of the container's children (and theirs) into the container's peer.
  // Children the Tab key skips come first, then the others in tab order: both toolkits move
  // the focus in the order their widgets were made. Each run of radio buttons is one group of
  // the dialog keys; every other control that the Tab key stops at starts a group of its own.
  void BuildChildren(TWinControl& container);
  // Takes the peers off the control and everything in it, the innermost first: a peer may own
  // the window its children's peers live in, so those go while it still exists.
  static void DetachPeers(TControl& control);

 protected:
  TPeerBuilder() = default;
  virtual ~TPeerBuilder() = default;

  // The backend's peers, each attached to its control. `group` is true when the control
  // starts a group of the dialog keys.
  virtual void MakeLabel(TLabel& label) = 0;
  virtual void MakeEdit(TEdit& edit, bool group) = 0;
  virtual void MakeRadioButton(TRadioButton& radio, bool group) = 0;
  virtual void MakeCheckBox(TCheckBox& check, bool group) = 0;
  virtual void MakeProgressBar(TProgressBar& bar) = 0;
  virtual void MakeImage(TImage& image) = 0;
  virtual void MakeGlowButton(TGlowButton& button, bool group) = 0;
  // A page control's peer, in four steps: the control is opened, then each page whose tab is
  // shown is opened, its children built into it, and closed; then the control is closed.
  virtual void OpenPageControl(TPageControl& pc, bool group) = 0;
  virtual void OpenPage(TPageControl& pc, TTabSheet& page) = 0;
  virtual void ClosePage(TTabSheet& page) = 0;
  virtual void ClosePageControl(TPageControl& pc) = 0;

 private:
  void BuildControl(TControl& control, bool group);
  void BuildPageControl(TPageControl& pc, bool group);
};

// The peers of a shown form, taken off when its message loop ends, however it ends: the
// backend's windows and what they draw with must not outlive the loop.
class TShownPeers {
 public:
  explicit TShownPeers(TForm& form) : form_(form) {}
  ~TShownPeers();
  TShownPeers(const TShownPeers&) = delete;
  TShownPeers& operator=(const TShownPeers&) = delete;

 private:
  TForm& form_;
};

}  // namespace platform::ui
