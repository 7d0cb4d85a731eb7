#include "window/control.h"

#include <algorithm>

namespace tvx::window {

Control::Control(std::string name, ControlKind kind, std::string caption)
    : name_(std::move(name)), kind_(kind), caption_(std::move(caption)) {}

void Control::SetContainer(Control* container) {
  if (container_) std::erase(container_->children_, this);
  container_ = container;
  if (container_) container_->children_.push_back(this);
}

void Control::ClearHooks() {
  on_click.Clear();
  on_dbl_click.Clear();
  on_key_down.Clear();
}

bool Control::Reachable() const {
  for (const Control* c = this; c; c = c->container_) {
    if (!c->visible_ || !c->enabled_) return false;
  }
  return true;
}

TextBox::TextBox(std::string name, int max_length, std::string text)
    : Control(std::move(name), ControlKind::TextBox),
      text_(std::move(text)),
      max_length_(max_length) {
  SetBackColor(kWhite);
}

void TextBox::SetText(std::string text) {
  Set(text_, std::move(text));
  Set(caret_, 0);
}

void TextBox::Type(const std::string& text) {
  const std::size_t room = max_length_ > 0 ? static_cast<std::size_t>(max_length_) : text.size();
  Set(text_, text.substr(0, room));
  Set(caret_, static_cast<int>(text_.size()));
}

void TextBox::SetCaret(int position) {
  Set(caret_, std::clamp(position, 0, static_cast<int>(text_.size())));
}

OptionButton::OptionButton(std::string name, std::string caption)
    : Control(std::move(name), ControlKind::OptionButton, std::move(caption)) {}

void OptionButton::DeselectSiblings() {
  if (!Container()) return;
  for (Control* c : Container()->Children()) {
    if (c != this && c->Kind() == ControlKind::OptionButton)
      static_cast<OptionButton*>(c)->Deselect();
  }
}

void OptionButton::MarkSelected() {
  DeselectSiblings();
  Set(value_, true);
}

void OptionButton::Select() {
  if (value_) return;
  MarkSelected();
  if (on_click) on_click();
}

void OptionButton::Click() {
  MarkSelected();
  if (on_click) on_click();
}

CheckBox::CheckBox(std::string name, std::string caption)
    : Control(std::move(name), ControlKind::CheckBox, std::move(caption)) {}

}  // namespace tvx::window
