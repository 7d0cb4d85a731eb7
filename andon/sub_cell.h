#pragma once

#include <optional>

#include "andon/grid.h"
#include "protocol/packet.h"
#include "window/main_window.h"

namespace tvx::andon {

// The AC2 packet for the typed cell, or nothing when row or column is empty. Codes come
// straight from the pickers.
std::optional<protocol::Packet> SubCellPacket(const window::FrmMain& w, const Selection& picked);

}  // namespace tvx::andon
