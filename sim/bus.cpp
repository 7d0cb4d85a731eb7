#include "sim/bus.h"

#include <algorithm>
#include <numeric>

#include "protocol/envelope.h"
#include "sim/device_effects.h"

namespace tvx::sim {

namespace {

std::optional<int> Digits(std::string_view text) {
  if (text.empty()) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<int> AddressKey(std::string_view group, std::string_view unit) {
  if (group.size() != 2 || unit.size() != 2) return std::nullopt;
  const auto g = Digits(group), u = Digits(unit);
  if (!g || !u) return std::nullopt;
  return *g * 100 + *u;
}

// A serial place's number: five digits, or VL1's text as typed.
std::optional<int> SerialNumber(std::string_view text) {
  if (text.size() > 5) return std::nullopt;
  return Digits(text);
}

bool Answers(const Device& device, std::string_view address) {
  if (address == protocol::kFixedAddress) return true;
  if (address.size() != 4) return false;
  return std::any_of(device.sets.begin(), device.sets.end(), [address](const DeviceSet& set) {
    return set.Enabled() && address.substr(0, 2) == set.group && address.substr(2) == set.unit;
  });
}

void Insert(std::vector<std::size_t>& list, std::size_t device) {
  const auto at = std::lower_bound(list.begin(), list.end(), device);
  if (at == list.end() || *at != device) list.insert(at, device);
}

void Erase(std::unordered_map<int, std::vector<std::size_t>>& index, int key, std::size_t device) {
  const auto found = index.find(key);
  if (found == index.end()) return;
  std::vector<std::size_t>& list = found->second;
  const auto at = std::lower_bound(list.begin(), list.end(), device);
  if (at != list.end() && *at == device) list.erase(at);
  if (list.empty()) index.erase(found);
}

}  // namespace

Bus::Bus(const std::vector<DeviceEntry>& entries) {
  devices_.reserve(entries.size());
  for (const DeviceEntry& entry : entries) {
    devices_.emplace_back(entry);
    AddToIndex(devices_.size() - 1);
  }
}

void Bus::AddToIndex(std::size_t device) {
  const Device& d = devices_[device];
  for (const DeviceSet& set : d.sets) {
    if (!set.Enabled()) continue;
    if (const auto key = AddressKey(set.group, set.unit)) Insert(by_address_[*key], device);
  }
  Insert(by_serial_[d.identity.serial], device);
}

void Bus::RemoveFromIndex(std::size_t device) {
  const Device& d = devices_[device];
  for (const DeviceSet& set : d.sets) {
    if (!set.Enabled()) continue;
    if (const auto key = AddressKey(set.group, set.unit)) Erase(by_address_, *key, device);
  }
  Erase(by_serial_, d.identity.serial, device);
}

void Bus::SelectAddress(std::string_view address, std::vector<std::size_t>& out) const {
  if (address == protocol::kFixedAddress) {
    out.resize(devices_.size());
    std::iota(out.begin(), out.end(), std::size_t{0});
    return;
  }
  if (address.size() != 4) return;
  const auto key = AddressKey(address.substr(0, 2), address.substr(2));
  if (!key) return;
  const auto found = by_address_.find(*key);
  if (found != by_address_.end()) out = found->second;
}

void Bus::Select(const protocol::DecodedPacket& packet, std::vector<std::size_t>& out) const {
  out.clear();
  if (packet.envelope != protocol::Envelope::kSerialNumber ||
      packet.serial == protocol::kWildcard) {
    SelectAddress(packet.address, out);
    return;
  }
  const auto serial = SerialNumber(packet.serial);
  if (!serial) return;
  const auto found = by_serial_.find(*serial);
  if (found == by_serial_.end()) return;
  for (const std::size_t device : found->second) {
    if (Answers(devices_[device], packet.address)) out.push_back(device);
  }
}

void Bus::Deliver(const protocol::DecodedPacket& packet, std::vector<std::size_t>& reached) {
  Select(packet, reached);
  const PacketEffect effect(packet);
  const bool readdresses = effect.Readdresses();
  for (const std::size_t device : reached) {
    if (readdresses) RemoveFromIndex(device);
    effect.ApplyTo(devices_[device]);
    if (readdresses) AddToIndex(device);
  }
}

std::vector<std::size_t> Bus::Deliver(const protocol::DecodedPacket& packet) {
  std::vector<std::size_t> reached;
  Deliver(packet, reached);
  return reached;
}

}  // namespace tvx::sim
