#pragma once

#include "protocol/decode.h"
#include "sim/device.h"

// What a packet does to a device it reaches. A packet reaches every device its address
// selects, whatever their kinds (Bus decides which); each device then keeps what its kind
// has a place for:
// - display content goes to the kinds that show it: AC1 and AC2 to andon boards; the marquee
//   text, SMC and SDM to marquees; NUM to numeric displays; SL1 to stack lights; TU1 and TU2
//   to tune units; SVN to the head-end controller;
// - lamp test, clear, diagnostics and soft boot are counted by every kind, and clear empties
//   what the device shows (cells, text, number, stack-light rows);
// - the configuration and setting commands (SGU, SS#, SBT, SBS, SFD, SAC, SOR, SMD, SLI, SMB,
//   VL1) are stored by every kind: which of them a kind acts on is its firmware's business,
//   and a device answers SGU and SS# whatever it is.
// A packet a device has no place for still reached it: it counts in `packets` and `ignored`.
namespace tvx::sim {

class PacketEffect {
 public:
  // Looks the command up once, for all the devices the packet reaches; `packet` must outlive
  // the effect.
  explicit PacketEffect(const protocol::DecodedPacket& packet);

  // Counts the packet in `device` and applies it; false when the device kept nothing of it.
  bool ApplyTo(Device& device) const;

  // SGU and SS#: afterwards the device may answer at other addresses or another serial.
  bool Readdresses() const;

  struct Rule;

 private:
  const protocol::DecodedPacket& packet_;
  const Rule* rule_;
};

}  // namespace tvx::sim
