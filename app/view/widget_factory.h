#pragma once

#include <QString>
#include <QWidget>

#include "window/control.h"

namespace tvx::app {

// The widget that draws a control of that kind (a line or multi-line box, a frame...), or
// nullptr for controls without one (the form, timers).
QWidget* MakeWidget(const window::Control& control, QWidget* parent);

// The back colour a control shows when nothing was set: white boxes, the face colour else.
window::Color DefaultBackColor(const window::Control& control);

// A style sheet that shows the back colour; empty for the default colour.
QString BackColorStyle(const window::Control& control, window::Color color);

// A caption as the widget shows it: console bytes, line breaks as new lines, and for
// buttons the '&' kept as a character rather than a shortcut mark.
QString ShownCaption(const window::Control& control);

}  // namespace tvx::app
