#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "window/control.h"

namespace tvx::window {

// Elements of a control array, by index; an element's name is "NAME(INDEX)".
template <typename T>
class ControlArray {
 public:
  T* operator()(int index) const { return elements_.at(index); }
  int Size() const { return static_cast<int>(elements_.size()); }
  void Append(T* element) { elements_.push_back(element); }
  auto begin() const { return elements_.begin(); }
  auto end() const { return elements_.end(); }

 private:
  std::vector<T*> elements_;
};

// A window-level variable, readable by name (console scripts print them).
using VariableRef = std::variant<bool*, std::int16_t*, std::int32_t*, std::string*>;

// Owns the controls of one window and finds controls and variables by name.
class Registry {
 public:
  Registry() { by_name_.reserve(512); }

  template <typename T, typename... Args>
  T* Add(Control* container, Args&&... args) {
    auto owned = std::make_unique<T>(std::forward<Args>(args)...);
    T* control = owned.get();
    control->SetContainer(container);
    by_name_[control->Name()] = control;  // the view of the control's own name, never renamed
    order_.push_back(std::move(owned));
    return control;
  }

  template <typename T, typename... Args>
  void AddArray(ControlArray<T>& array, Control* container, const std::string& name, int count,
                Args&&... args) {
    for (int i = 0; i < count; ++i) {
      array.Append(Add<T>(container, name + "(" + std::to_string(i) + ")", args...));
    }
  }

  Control* AddButton(Control* in, const char* name, const char* caption, Color back = kWindowFace);
  Control* AddLabel(Control* in, const char* name, const char* caption);
  Control* AddFrame(Control* in, const char* name, const char* caption);
  TextBox* AddText(Control* in, const char* name, int max_length);

  void AddVariable(const std::string& name, VariableRef ref) { variables_[name] = ref; }

  Control* Find(const std::string& name) const;
  // Unwires every control's events.
  void ClearHooks();
  const VariableRef* FindVariable(const std::string& name) const;
  const std::vector<std::unique_ptr<Control>>& All() const { return order_; }
  const std::map<std::string, VariableRef>& Variables() const { return variables_; }

 private:
  std::vector<std::unique_ptr<Control>> order_;
  // Some 400 controls are made for every command a gateway runs: hashed, and keyed by the
  // controls' own names rather than copies.
  std::unordered_map<std::string_view, Control*> by_name_;
  std::map<std::string, VariableRef> variables_;
};

}  // namespace tvx::window
