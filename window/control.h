#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "window/color.h"
#include "window/hook.h"

namespace tvx::window {

enum class ControlKind { Form, Frame, Label, Button, TextBox, OptionButton, CheckBox, Timer };

// One control of the window model: the properties the console reads and writes, and the
// event hooks that the owning subsystem wires up. Drawing is the view's business.
class Control {
 public:
  Control(std::string name, ControlKind kind, std::string caption = {});
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  ControlKind Kind() const { return kind_; }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { Set(visible_, visible); }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled) { Set(enabled_, enabled); }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { Set(caption_, std::move(caption)); }
  Color BackColor() const { return back_color_; }
  void SetBackColor(Color color) { Set(back_color_, color); }

  // Counts the changes of what the control shows, so that a view redraws only controls whose
  // count has moved since it last drew them. Setting a property to its value is no change.
  std::uint64_t Changes() const { return changes_; }

  // The frame (or form) that holds this control; hiding or disabling it hides or
  // disables everything inside for the operator.
  Control* Container() const { return container_; }
  void SetContainer(Control* container);
  const std::vector<Control*>& Children() const { return children_; }

  // Whether a mouse or keyboard could reach the control: it and every container are
  // visible and enabled.
  bool Reachable() const;

  // Event hooks. Empty hooks mean the control has no handler for that event.
  Hook<void()> on_click;
  Hook<void()> on_dbl_click;
  Hook<void(int key_code, int shift)> on_key_down;

  // Unwires every event of the control.
  virtual void ClearHooks();

 protected:
  template <typename T, typename V>
  void Set(T& property, V&& value) {
    if (property == value) return;
    property = std::forward<V>(value);
    ++changes_;
  }

 private:
  std::uint64_t changes_ = 0;
  std::string name_;
  ControlKind kind_;
  std::string caption_;
  bool visible_ = true;
  bool enabled_ = true;
  Color back_color_ = kWindowFace;
  Control* container_ = nullptr;
  std::vector<Control*> children_;
};

using Label = Control;
using Frame = Control;
using Button = Control;
using Form = Control;

// Text is held as bytes: every character has a code from 0 to 255, exactly what the link
// carries. A character limit of 0 means none.
class TextBox : public Control {
 public:
  explicit TextBox(std::string name, int max_length = 0, std::string text = {});

  const std::string& Text() const { return text_; }
  // A program write: not bound by the character limit; the caret goes to the start.
  void SetText(std::string text);
  // The operator empties the box and types: the character limit applies and the caret
  // ends behind the last character typed.
  void Type(const std::string& text);

  int Caret() const { return caret_; }
  void SetCaret(int position);
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int max_length) { Set(max_length_, max_length); }
  bool Locked() const { return locked_; }
  void SetLocked(bool locked) { Set(locked_, locked); }
  bool MultiLine() const { return multi_line_; }
  void SetMultiLine(bool multi_line) { Set(multi_line_, multi_line); }

 private:
  std::string text_;
  int caret_ = 0;
  int max_length_ = 0;
  bool locked_ = false;
  bool multi_line_ = false;
};

// Option buttons are exclusive among the option buttons of the same container. on_click
// is their selection handling.
class OptionButton : public Control {
 public:
  OptionButton(std::string name, std::string caption);

  bool Value() const { return value_; }
  // A program selection: runs the selection handling only when the button was not
  // selected before.
  void Select();
  // Marks the button selected (and the others not) without running its handling.
  void MarkSelected();
  void Deselect() { Set(value_, false); }
  // The operator's click: selects and always runs the selection handling.
  void Click();

 private:
  void DeselectSiblings();
  bool value_ = false;
};

class CheckBox : public Control {
 public:
  CheckBox(std::string name, std::string caption);
  int Value() const { return value_; }
  void SetValue(int value) { Set(value_, value); }

 private:
  int value_ = 0;
};

}  // namespace tvx::window
