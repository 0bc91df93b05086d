#include "platform/ui/Control.h"

#include <algorithm>

namespace platform::ui {

TControl::TControl(TWinControl* parent, std::string name)
    : parent_(parent), name_(std::move(name)) {}

TControl::~TControl() = default;

void TControl::SetBounds(int left, int top, int width, int height) {
  const int oldWidth = bounds_.width;
  const int oldHeight = bounds_.height;
  bounds_ = {left, top, width, height};
  if (align_ == TAlign::Bottom && parent_) {
    bounds_ = {0, parent_->Height() - height, parent_->Width(), height};
  }
  if (auto* container = dynamic_cast<TWinControl*>(this)) {
    for (const auto& child : container->Children())
      child->ParentResized(oldWidth, oldHeight);
  }
  Changed();
}

void TControl::SetAlign(TAlign align) {
  align_ = align;
  SetBounds(bounds_.left, bounds_.top, bounds_.width, bounds_.height);
}

void TControl::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Changed();
}

void TControl::SetVisible(bool visible) {
  if (visible_ == visible)
    return;
  visible_ = visible;
  Changed();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled_ == enabled)
    return;
  enabled_ = enabled;
  Changed();
}

const TFont& TControl::Font() const {
  return parentFont_ && parent_ ? parent_->Font() : font_;
}

TColor TControl::Color() const {
  return parentColor_ && parent_ ? parent_->Color() : color_;
}

void TControl::SetFont(TFont font) {
  font_ = std::move(font);
  parentFont_ = false;
  Changed();
  InheritedChanged();
}

void TControl::SetColor(TColor color) {
  color_ = color;
  parentColor_ = false;
  Changed();
  InheritedChanged();
}

void TControl::InheritedChanged() {
  auto* container = dynamic_cast<TWinControl*>(this);
  if (!container)
    return;
  for (const auto& child : container->Children()) {
    if (!child->parentFont_ && !child->parentColor_)
      continue;
    child->Changed();
    child->InheritedChanged();
  }
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->Parent()) {
    if (!c->Visible())
      return false;
  }
  return true;
}

void TControl::SetPeer(std::unique_ptr<TControlPeer> peer) {
  peer_ = std::move(peer);
}

void TControl::ParentResized(int oldWidth, int /*oldHeight*/) {
  if (!parent_)
    return;
  if (align_ == TAlign::Bottom) {
    SetBounds(0, 0, 0, bounds_.height);
    return;
  }
  // Before the parent had a size there is no distance to keep.
  if (anchorRight_ && oldWidth > 0) {
    const int rightGap = oldWidth - (bounds_.left + bounds_.width);
    SetBounds(bounds_.left, bounds_.top, parent_->Width() - rightGap - bounds_.left,
              bounds_.height);
  }
}

void TControl::Changed() {
  if (peer_)
    peer_->Update();
}

std::vector<TControl*> TWinControl::TabList() const {
  std::vector<TControl*> list;
  for (const auto& child : children_) {
    if (child->TabStop())
      list.push_back(child.get());
  }
  std::stable_sort(list.begin(), list.end(), [](const TControl* a, const TControl* b) {
    return a->TabOrder() < b->TabOrder();
  });
  return list;
}

void TWinControl::SetClientSize(int width, int height) {
  SetBounds(Left(), Top(), width, height);
}

}  // namespace platform::ui
