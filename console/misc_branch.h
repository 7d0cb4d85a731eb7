#pragma once

#include "console/dispatcher.h"

namespace tvx::console {

// The typed packet: token text from the packet box, converted and sent as one piece.
void RegisterMiscBranch(Dispatcher& dispatcher);

}  // namespace tvx::console
