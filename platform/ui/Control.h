#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The control classes of the window layer. They hold every property themselves, so the logic
// of a form runs and is tested without a display; when a form is shown, the toolkit backend
// gives each control a peer (an on-screen widget) that mirrors these properties and reports
// what the user does back into them. No toolkit type appears in these headers, so a native
// Windows backend can implement the peers with the common controls.
namespace platform::ui {

// An RGB colour, 0xRRGGBB.
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBlue = 0x0000FF;
constexpr TColor clBtnFace = 0xF0F0F0;
constexpr TColor clWindowText = 0x000000;

struct TFont {
  std::string name = "Tahoma";
  int height = 11;  // pixels
  bool bold = false;
  TColor color = clWindowText;
};

enum class TAlign { None, Bottom };
enum class TAlignment { LeftJustify, RightJustify, Center };

struct TRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

class TControl;
class TWinControl;

using TNotifyEvent = std::function<void(TControl& sender)>;

// The on-screen side of a control, made by the backend when the form is shown.
class TControlPeer {
 public:
  virtual ~TControlPeer() = default;
  // Copies the control's properties into the widget after one of them changed.
  virtual void Update() = 0;
  // Gives the widget the keyboard focus on the screen.
  virtual void TakeFocus() {}
};

class TControl {
 public:
  TControl(TWinControl* parent, std::string name);
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const std::string& Name() const { return name_; }
  TWinControl* Parent() const { return parent_; }

  const TRect& Bounds() const { return bounds_; }
  void SetBounds(int left, int top, int width, int height);
  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.width; }
  int Height() const { return bounds_.height; }

  // Bottom alignment keeps the control across the whole width of its parent, at its foot.
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);
  // A control anchored right keeps its distance to the parent's right edge on resize.
  bool AnchorRight() const { return anchorRight_; }
  void SetAnchorRight(bool anchor) { anchorRight_ = anchor; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // The font: the parent's, whenever the parent's is set, until the control is given its own.
  const TFont& Font() const;
  bool ParentFont() const { return parentFont_; }
  void SetFont(TFont font);
  // The background colour: the parent's, whenever it is set, until the control is given its
  // own; with parentColor the parent's background shows through.
  TColor Color() const;
  bool ParentColor() const { return parentColor_; }
  void SetColor(TColor color);

  // Whether the keyboard's Tab key stops here, and where within the parent.
  virtual bool TabStop() const { return false; }
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int order) { tabOrder_ = order; }

  // True when this control and every parent up to the form are visible.
  bool Showing() const;

  TControlPeer* Peer() const { return peer_.get(); }
  void SetPeer(std::unique_ptr<TControlPeer> peer);

  // The control of this window that has the keyboard focus, kept by the window itself (the
  // control without a parent); see Focus.h.
  TControl* FocusedChild() const { return focused_; }
  void SetFocusedChild(TControl* control) { focused_ = control; }

  // Applies alignment and anchors after the parent's size changed.
  virtual void ParentResized(int oldWidth, int oldHeight);

 protected:
  // Tells the peer, when there is one, that a property changed.
  void Changed();
  // Tells the peers of the children that show this control's font or colour.
  void InheritedChanged();

 private:
  TWinControl* parent_;
  std::string name_;
  TRect bounds_;
  TAlign align_ = TAlign::None;
  bool anchorRight_ = false;
  std::string caption_;
  bool visible_ = true;
  bool enabled_ = true;
  TFont font_;
  bool parentFont_ = true;
  TColor color_ = clWhite;
  bool parentColor_ = true;
  int tabOrder_ = -1;
  TControl* focused_ = nullptr;
  std::unique_ptr<TControlPeer> peer_;
};

// A control that holds other controls. Children are owned by the container and kept in
// creation order, which is also their order from back to front on the screen.
class TWinControl : public TControl {
 public:
  using TControl::TControl;

  // Creates a child owned by this container; the reference stays valid as long as it does.
  template <typename T, typename... Args>
  T& Add(Args&&... args) {
    auto child = std::make_unique<T>(this, std::forward<Args>(args)...);
    T& ref = *child;
    children_.push_back(std::move(child));
    return ref;
  }

  const std::vector<std::unique_ptr<TControl>>& Children() const { return children_; }
  // Children that the Tab key visits, in tab order.
  std::vector<TControl*> TabList() const;

  // Client size; children aligned or anchored to an edge follow it.
  void SetClientSize(int width, int height);

 private:
  std::vector<std::unique_ptr<TControl>> children_;
};

}  // namespace platform::ui
