#pragma once

#include <QtCore/qnamespace.h>

#include <optional>

namespace tvx::app {

// The console's code for a key Qt reports, or nothing for a key the console never sees.
// Shifted digits come back as their digit: the shift state tells them apart.
std::optional<int> ConsoleKeyCode(int qt_key, Qt::KeyboardModifiers modifiers);

// 1 Shift, 2 Ctrl, 4 Alt, summed.
int ConsoleShiftState(Qt::KeyboardModifiers modifiers);

}  // namespace tvx::app
