#pragma once

#include "window/main_window.h"

namespace tvx::console {

// Checks the serial number box and forms the five-digit serial field. On a refusal it writes
// its message and returns false; callers then stop without sending.
bool ValidateSerno(window::FrmMain& w);

// The state with no serial number, set when some sections are entered.
void ResetSerialState(window::FrmMain& w);

}  // namespace tvx::console
