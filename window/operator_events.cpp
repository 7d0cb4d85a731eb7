#include "window/operator_events.h"

namespace tvx::window {

void OperatorClick(Control& c) {
  if (!c.Reachable()) return;
  if (c.Kind() == ControlKind::OptionButton) {
    static_cast<OptionButton&>(c).Click();
  } else if (c.on_click) {
    c.on_click();
  }
}

void OperatorDoubleClick(Control& c) {
  if (c.Reachable() && c.on_dbl_click) c.on_dbl_click();
}

void OperatorType(TextBox& box, const std::string& text) {
  if (box.Reachable() && !box.Locked()) box.Type(text);
}

void OperatorKeyDown(Control& c, int key_code, int shift) {
  if (c.on_key_down) c.on_key_down(key_code, shift);
}

}  // namespace tvx::window
