#include "links/port_names.h"

namespace tvx::links {

namespace {

bool InRange(int port) {
  return port >= PortNames::kFirstPort && port <= PortNames::kLastPort;
}

}  // namespace

PortNames::PortNames() {
  for (int port = kFirstPort; port <= kLastPort; ++port) devices_[port - 1] = DefaultDevice(port);
}

std::string PortNames::DefaultDevice(int port) {
#ifdef _WIN32
  return "COM" + std::to_string(port);
#else
  return "/dev/ttyS" + std::to_string(port - 1);
#endif
}

std::string PortNames::Device(int port) const {
  return InRange(port) ? devices_[port - 1] : "";
}

bool PortNames::Set(int port, std::string device) {
  if (!InRange(port) || device.empty()) return false;
  devices_[port - 1] = std::move(device);
  return true;
}

std::optional<std::pair<int, std::string>> ParseCommOption(std::string_view option) {
  // One digit only: "01=..." or "+1=..." are more likely typing slips than intent.
  if (option.size() < 3 || option[1] != '=') return std::nullopt;
  const int port = option[0] - '0';
  if (!InRange(port)) return std::nullopt;
  return std::make_pair(port, std::string(option.substr(2)));
}

}  // namespace tvx::links
