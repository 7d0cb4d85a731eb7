#include "window/registry.h"

namespace tvx::window {

Control* Registry::AddButton(Control* in, const char* name, const char* caption, Color back) {
  Control* b = Add<Control>(in, name, ControlKind::Button, caption);
  b->SetBackColor(back);
  return b;
}

Control* Registry::AddLabel(Control* in, const char* name, const char* caption) {
  return Add<Control>(in, name, ControlKind::Label, caption);
}

Control* Registry::AddFrame(Control* in, const char* name, const char* caption) {
  return Add<Control>(in, name, ControlKind::Frame, caption);
}

TextBox* Registry::AddText(Control* in, const char* name, int max_length) {
  return Add<TextBox>(in, name, max_length);
}

Control* Registry::Find(const std::string& name) const {
  auto it = by_name_.find(name);
  return it == by_name_.end() ? nullptr : it->second;
}

const VariableRef* Registry::FindVariable(const std::string& name) const {
  auto it = variables_.find(name);
  return it == variables_.end() ? nullptr : &it->second;
}

void Registry::ClearHooks() {
  for (auto& control : order_) control->ClearHooks();
}

}  // namespace tvx::window
