#pragma once

namespace tvx::protocol {

// The two links a packet can take: the serial port, or the TCP connection when connected.
enum class Link { Serial, Tcp };

// The bus's serial line as the serial control takes it: 9600 baud, no parity, 8 data bits,
// 1 stop bit. People read it as links::LineSettings writes it.
inline constexpr char kLineSettings[] = "9600,N,8,1";

}  // namespace tvx::protocol
