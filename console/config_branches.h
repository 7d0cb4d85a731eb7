#pragma once

#include "console/dispatcher.h"

namespace tvx::console {

// Group and unit assignment, serial number change, board type and sub-type, and the device
// settings: LED intensity, fader level, columns, marquee brightness, series flag, marquee
// detect and tune volume.
void RegisterConfigBranches(Dispatcher& dispatcher);

}  // namespace tvx::console
