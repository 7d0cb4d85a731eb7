#pragma once

#include <string>

#include "window/control.h"

// What the operator's mouse and keyboard can do to a control. A control that is hidden or
// disabled (itself or a frame holding it) takes no click, double-click or typing, and a
// read-only box takes no typing. The window and the script runner both go through here.
namespace tvx::window {

// A click; on an option button it selects it and runs its selection handling even when it was
// selected already.
void OperatorClick(Control& c);
void OperatorDoubleClick(Control& c);
// Empties the box and types text, within the box's character limit.
void OperatorType(TextBox& box, const std::string& text);
// A key going down with the control focused; reaches the control whatever its state.
void OperatorKeyDown(Control& c, int key_code, int shift);

}  // namespace tvx::window
