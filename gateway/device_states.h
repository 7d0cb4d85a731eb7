#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "sim/bus.h"

// What each device of the bus was told: the simulator's own bus model fed with every byte the
// gateway writes. A changed device is told at once, then at most once per two ticks (100 ms
// each), so a grid going out does not flood the broker with a board's state.
namespace tvx::gateway {

class DeviceStates {
 public:
  // The device, its index and when it last changed (-1: never since the start).
  using Changed = std::function<void(const sim::Device&, std::int64_t updated_utc_ms)>;

  DeviceStates(const std::vector<sim::DeviceEntry>& devices, Changed changed);

  void Feed(std::string_view bytes, std::int64_t now_utc_ms);
  void Tick();
  // Nothing waits to be told, and every device may be told at once.
  bool Idle() const;
  const sim::Bus& Bus() const { return bus_; }
  // Tells every device as it stands.
  void TellAll();

 private:
  void Tell(std::size_t device);

  sim::Bus bus_;
  Changed changed_;
  std::int64_t tick_ = 0;
  std::vector<std::int64_t> updated_;
  std::vector<std::int64_t> told_;  // the tick of the last telling
  std::vector<bool> dirty_;
  std::size_t waiting_ = 0;  // dirty devices
  std::size_t recent_ = 0;   // told within the last two ticks
  std::vector<std::size_t> reached_;
};

}  // namespace tvx::gateway
