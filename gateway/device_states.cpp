#include "gateway/device_states.h"

#include <limits>
#include <variant>

#include "protocol/decode.h"

namespace tvx::gateway {

namespace {
constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::min() / 2;
constexpr std::int64_t kGapTicks = 2;
}  // namespace

DeviceStates::DeviceStates(const std::vector<sim::DeviceEntry>& devices, Changed changed)
    : bus_(devices),
      changed_(std::move(changed)),
      updated_(devices.size(), -1),
      told_(devices.size(), kNever),
      dirty_(devices.size(), false) {}

void DeviceStates::Feed(std::string_view bytes, std::int64_t now_utc_ms) {
  for (const protocol::DecodedItem& item : protocol::Decode(bytes)) {
    const auto* packet = std::get_if<protocol::DecodedPacket>(&item);
    if (!packet) continue;
    bus_.Deliver(*packet, reached_);
    for (const std::size_t device : reached_) {
      updated_[device] = now_utc_ms;
      if (tick_ - told_[device] >= kGapTicks) {
        Tell(device);
      } else if (!dirty_[device]) {
        dirty_[device] = true;
        ++waiting_;
      }
    }
  }
}

void DeviceStates::Tick() {
  ++tick_;
  recent_ = 0;
  for (std::size_t device = 0; device < told_.size(); ++device) {
    if (dirty_[device] && tick_ - told_[device] >= kGapTicks) {
      Tell(device);
    } else if (tick_ - told_[device] < kGapTicks) {
      ++recent_;
    }
  }
}

bool DeviceStates::Idle() const {
  return waiting_ == 0 && recent_ == 0;
}

void DeviceStates::Tell(std::size_t device) {
  if (dirty_[device]) {
    dirty_[device] = false;
    --waiting_;
  }
  if (tick_ - told_[device] >= kGapTicks) ++recent_;
  told_[device] = tick_;
  changed_(bus_.Devices()[device], updated_[device]);
}

void DeviceStates::TellAll() {
  // A republish is no change: it leaves the pace of the changes alone.
  for (std::size_t device = 0; device < told_.size(); ++device) {
    if (dirty_[device]) {
      dirty_[device] = false;
      --waiting_;
    }
    changed_(bus_.Devices()[device], updated_[device]);
  }
}

}  // namespace tvx::gateway
