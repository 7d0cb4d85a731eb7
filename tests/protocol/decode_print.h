#pragma once

#include <ostream>

#include "protocol/decode.h"
#include "protocol/display.h"

// Readable gtest failures for decoded items: control bytes as tokens.
namespace tvx::protocol {

inline void PrintTo(const DecodedField& f, std::ostream* os) {
  *os << f.name << "=\"" << f.value << '"';
}

inline void PrintTo(const DecodedPacket& p, std::ostream* os) {
  *os << "packet " << DisplayForm(p.bytes) << " (" << Describe(p) << ")";
}

inline void PrintTo(const DecodeError& e, std::ostream* os) {
  *os << "error " << DisplayForm(e.bytes) << " (" << e.reason << ")";
}

}  // namespace tvx::protocol
