#include "sim/device.h"

#include <iterator>

namespace tvx::sim {

namespace {

struct KindNames {
  DeviceKind kind;
  std::string_view name, title;
};
constexpr KindNames kNames[] = {
    {DeviceKind::kAndonBoard, "andon", "andon board"},
    {DeviceKind::kMarquee, "marquee", "marquee"},
    {DeviceKind::kNumericDisplay, "numeric", "numeric display"},
    {DeviceKind::kStackLight, "stacklight", "stack light"},
    {DeviceKind::kTuneUnit, "tune", "tune unit"},
    {DeviceKind::kHeadEnd, "headend", "head-end controller"},
};

// Looked up by the enum's value.
static_assert([] {
  for (std::size_t i = 0; i < std::size(kNames); ++i) {
    if (static_cast<std::size_t>(kNames[i].kind) != i) return false;
  }
  return true;
}());

const KindNames& NamesOf(DeviceKind kind) {
  return kNames[static_cast<int>(kind)];
}

DeviceState InitialState(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::kAndonBoard:
      return AndonBoard{};
    case DeviceKind::kMarquee:
      return Marquee{};
    case DeviceKind::kNumericDisplay:
      return NumericDisplay{};
    case DeviceKind::kStackLight:
      return StackLight{};
    case DeviceKind::kTuneUnit:
      return TuneUnit{};
    case DeviceKind::kHeadEnd:
      return HeadEnd{};
  }
  return HeadEnd{};
}

}  // namespace

std::string_view KindName(DeviceKind kind) {
  return NamesOf(kind).name;
}

std::string_view KindTitle(DeviceKind kind) {
  return NamesOf(kind).title;
}

std::optional<DeviceKind> KindFromName(std::string_view name) {
  for (const KindNames& names : kNames) {
    if (names.name == name) return names.kind;
  }
  return std::nullopt;
}

Device::Device(const DeviceEntry& entry) : identity(entry), state(InitialState(identity.kind)) {
  sets[0] = {identity.group, identity.unit};
}

}  // namespace tvx::sim
