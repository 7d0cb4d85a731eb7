#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tvx::links {

// Maps the console's port numbers onto device names of this machine.
class PortNames {
 public:
  static constexpr int kFirstPort = 1;
  static constexpr int kLastPort = 4;

  PortNames();

  // The platform's usual name for the port: COMk on Windows, /dev/ttyS<k-1> elsewhere.
  static std::string DefaultDevice(int port);

  // Empty for a port outside 1..4, so that opening it fails.
  std::string Device(int port) const;

  // False, and nothing changes, for a port outside 1..4 or an empty device.
  bool Set(int port, std::string device);

 private:
  std::array<std::string, kLastPort> devices_;
};

// Reads the argument of --comm: "k=DEVICE" with k 1..4 and a non-empty device.
std::optional<std::pair<int, std::string>> ParseCommOption(std::string_view option);

}  // namespace tvx::links
