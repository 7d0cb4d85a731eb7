#include "window/registry.h"

namespace tvx::window {

Control* Registry::Find(const std::string& name) const {
  auto it = by_name_.find(name);
  return it == by_name_.end() ? nullptr : it->second;
}

const VariableRef* Registry::FindVariable(const std::string& name) const {
  auto it = variables_.find(name);
  return it == variables_.end() ? nullptr : &it->second;
}

}  // namespace tvx::window
