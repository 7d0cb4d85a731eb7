#pragma once

namespace tvx::protocol {

// The two links a packet can take: the serial port, or the TCP connection when connected.
enum class Link { Serial, Tcp };

}  // namespace tvx::protocol
