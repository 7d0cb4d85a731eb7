#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "protocol/decode.h"
#include "sim/device.h"

// The simulated bus: its devices, and which of them a packet reaches.
//
// Addressing, by the packet's envelope:
// - group/unit and marquee text: the devices with a device set at that group and unit; "0000"
//   (group 00 with unit 00) every device. An address that is not four characters (the
//   marquee and stack light send their boxes as typed, even short) runs into the bytes that
//   follow it, so it reaches no device; nor does one that is no device's digits.
// - fixed address (SVN, soft boot, SDM): every device.
// - serial number: the address selects as above ("0000", so every device, but for VL1's
//   group and unit) and the serial place then keeps the devices with that serial number;
//   the wildcard ZYXWV keeps them all. VL1's serial text is unpadded, so it is read as a
//   number ("7" is serial 7); text that is no number of up to five digits reaches nobody.
// Reaching a device is a matter of addresses only; what the device keeps of the packet
// depends on its kind (device_effects.h).
namespace tvx::sim {

class Bus {
 public:
  explicit Bus(const std::vector<DeviceEntry>& entries);

  // Applies the packet to every device it reaches and returns their indexes in ascending
  // order; empty when no device is at its address.
  std::vector<std::size_t> Deliver(const protocol::DecodedPacket& packet);
  // The same into `reached` (cleared first): a monitor reuses one buffer.
  void Deliver(const protocol::DecodedPacket& packet, std::vector<std::size_t>& reached);

  const std::vector<Device>& Devices() const { return devices_; }

 private:
  using Index = std::unordered_map<int, std::vector<std::size_t>>;
  void Select(const protocol::DecodedPacket& packet, std::vector<std::size_t>& out) const;
  void SelectAddress(std::string_view address, std::vector<std::size_t>& out) const;
  void AddToIndex(std::size_t device);
  void RemoveFromIndex(std::size_t device);

  std::vector<Device> devices_;
  Index by_address_;  // group * 100 + unit, one entry per enabled device set
  Index by_serial_;
};

}  // namespace tvx::sim
