#pragma once

#include <optional>
#include <string_view>

#include "protocol/andon_codes.h"
#include "protocol/decode.h"

// Reading a decoded packet by the catalogue's field names.
namespace tvx::protocol {

// The value of the named field; empty when the packet has none.
std::string_view FieldValue(const DecodedPacket& packet, std::string_view name);

// The codes an AC1 or AC2 packet carries for its cell, typed; nothing for other packets.
std::optional<CellCodes> CellCodesOf(const DecodedPacket& packet);

}  // namespace tvx::protocol
