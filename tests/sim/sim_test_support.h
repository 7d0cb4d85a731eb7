#pragma once

#include <gtest/gtest.h>

#include <string_view>
#include <variant>

#include "protocol/decode.h"
#include "protocol/token_conversion.h"

namespace tvx::sim {

// A packet from its token text, as `tvxorm send --dry-run` shows it.
inline protocol::DecodedPacket Packet(std::string_view tokens) {
  const protocol::DecodedItem item = protocol::DecodePacket(protocol::ConvertTokens(tokens));
  if (const auto* error = std::get_if<protocol::DecodeError>(&item)) {
    ADD_FAILURE() << tokens << " does not decode: " << error->reason;
    return {};
  }
  return std::get<protocol::DecodedPacket>(item);
}

}  // namespace tvx::sim
