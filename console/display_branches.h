#pragma once

#include "console/dispatcher.h"

namespace tvx::console {

// Marquee, display mode, numeric display, stack light, tunes, and the five maintenance
// commands; and the colour logic of their option buttons.
void RegisterDisplayBranches(Dispatcher& dispatcher);
void WireDisplayOptions(window::FrmMain& w);

// Sends a built packet, or reports its refusal.
void SendOrRefuse(Dispatcher& dispatcher, const protocol::BuildResult& result);

}  // namespace tvx::console
